#include "Options.h"

namespace {

void StoreInto(bool& field, const std::string&) { field = true; }
void StoreInto(std::string& field, const std::string& value) { field = value; }
void StoreInto(std::vector<std::string>& field, const std::string& value) { field.push_back(value); }

}  // namespace

const OptionRow kOptionRows[] = {
#define ORVANE_OPTION_ROW(field, kind, name, alias, value, offline, help)                          \
    {name, alias, OptionKind::kind, value, offline, help,                                            \
     [](HostOptions& options, const std::string& v) { StoreInto(options.field, v); }},
    ORVANE_HOST_OPTIONS(ORVANE_OPTION_ROW)
#undef ORVANE_OPTION_ROW
};

const size_t kOptionRowCount = sizeof kOptionRows / sizeof kOptionRows[0];

std::string HostOptions::OfflineOptionsGiven() const {
    std::string names;
    for (const OptionRow& row : kOptionRows) {
        if (row.offlineOnly && Given(row.name)) names += (names.empty() ? "" : ", ") + std::string(row.name);
    }
    return names;
}
