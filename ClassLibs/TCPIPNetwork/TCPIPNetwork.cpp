#include "TCPIPNetwork.h"
