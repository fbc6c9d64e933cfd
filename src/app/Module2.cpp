#include "app/Module2.h"

namespace tapivex {

void WriteDesktopRegistry(Desktop& desktop, const std::wstring& name, std::int16_t value) {
    desktop.writeRegistryString(name, std::to_wstring(value));
}

}  // namespace tapivex
