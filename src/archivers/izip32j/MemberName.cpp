#include "MemberName.h"

#include "platform/Utf8.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace qb::izip {
namespace {

bool Convert(const char* to, const char* from, const std::string& raw, std::string& result)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    std::vector<char> out(raw.size() * 3 + 4);
    char* in = const_cast<char*>(raw.data());
    size_t inLeft = raw.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1) || inLeft != 0)
        return false;
    result.assign(out.data(), out.size() - outLeft);
    return true;
}

bool FromCp932(const std::string& raw, std::string& utf8)
{
    return Convert("UTF-8", "CP932", raw, utf8);
}

}  // namespace

std::string NameFromRaw(const std::string& raw)
{
    std::string name;
    if (platform::IsValidUtf8(raw))
        return raw;
    if (FromCp932(raw, name) || Convert("UTF-8", "CP437", raw, name))
        return name;
    return raw;
}

bool NameToCp932(const std::string& utf8, std::string& cp932)
{
    std::string back;
    return Convert("CP932", "UTF-8", utf8, cp932) && FromCp932(cp932, back) && back == utf8;
}

}  // namespace qb::izip
