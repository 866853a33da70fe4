#include "HostileRegistryValue.h"

namespace {

const char kAlphabet[] = "abcXYZ019 :\\.,/-_";

} // namespace

std::string HostileText(std::mt19937& random, const std::initializer_list<size_t>& lengthsThatMatter)
{
    size_t length = random() % 6;
    if (random() % 4 != 0) {
        length = *(lengthsThatMatter.begin() + random() % lengthsThatMatter.size()) + random() % 3;
        length = length > 0 ? length - 1 : 0;
    }
    std::string text;
    for (size_t i = 0; i < length; ++i)
        text += kAlphabet[random() % (sizeof kAlphabet - 1)];
    return text;
}

RawRegistryValue HostileValue(std::mt19937& random, const std::string& text)
{
    static const DWORD kTypes[] = {REG_SZ, REG_SZ, REG_SZ, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ, REG_NONE};
    RawRegistryValue value{kTypes[random() % (sizeof kTypes / sizeof kTypes[0])], text};
    switch (random() % 6) {
    case 0:
        break; // no terminating zero
    case 1:
        value.bytes += std::string("\0", 1) + HostileText(random, {2}); // more after the zero
        break;
    case 2:
        value.bytes += std::string("\0\0", 2);
        break;
    default:
        value.bytes += std::string("\0", 1);
        break;
    }
    return value;
}

bool StringValueText(const RawRegistryValue& value, size_t bufferBytes, std::string& text)
{
    if (value.type != REG_SZ && value.type != REG_EXPAND_SZ)
        return false;
    if (value.bytes.size() > bufferBytes)
        return false;
    text = value.bytes.substr(0, value.bytes.find('\0'));
    return text.size() < bufferBytes;
}

std::string Describe(const RawRegistryValue& value)
{
    size_t zero = value.bytes.find('\0');
    return "type " + std::to_string(value.type) + ", " + std::to_string(value.bytes.size()) + " bytes, first zero at " +
           (zero == std::string::npos ? std::string("none") : std::to_string(zero)) + ": " +
           value.bytes.substr(0, zero);
}
