#include "common/MessageFormat.h"

#include <vector>

std::string FormatText(const std::string& text, std::initializer_list<std::string> args)
{
    const std::vector<std::string> values(args);
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            const std::size_t n = static_cast<std::size_t>(text[i + 1] - '1');
            if (n < values.size()) {
                // Filled in once: a name that itself holds "%1" stays as it is.
                out += values[n];
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}
