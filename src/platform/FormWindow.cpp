#include "platform/FormWindow.h"

#include <algorithm>
#include <stdexcept>

namespace tapivex {

std::vector<ControlSpec> InIdOrder(std::vector<ControlSpec> rows) {
    std::sort(rows.begin(), rows.end(), [](const ControlSpec& a, const ControlSpec& b) { return a.id < b.id; });
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].id != static_cast<int>(i)) throw std::logic_error("a form's table lacks or repeats a row");
    }
    return rows;
}

}  // namespace tapivex
