#include "binding/export_descriptions.h"

namespace binding {

const ExportDescription *find_export(std::string_view name) {
    for (const ExportDescription &description : export_descriptions()) {
        if (description.name == name) return &description;
    }
    return nullptr;
}

}  // namespace binding
