#include "cardwork/progress.h"

#include <algorithm>

namespace cardwork {

double Progress::fraction() const {
    if (total <= 0) return 0.0;
    double within = 0.0;
    if (key_search && key_search->candidates > 0) {
        within = (key_search->type == cardkit::KeyType::A ? 0.0 : 0.5) +
                 static_cast<double>(key_search->tried) /
                     static_cast<double>(key_search->candidates) / 2;
    }
    return std::clamp((done + within) / total, 0.0, 1.0);
}

}  // namespace cardwork
