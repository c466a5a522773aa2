#include "NetworkAdapter.h"
