// Profile-file parser: any bytes must parse, read and rewrite without memory
// errors, and a written key must read back as written.

#include "platform/ProfileFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace tmx7;

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ProfileDocument doc = ProfileDocument::Parse(bytes);

    // Names taken from the input itself as well as the file's own names.
    const std::string_view probe = bytes.substr(0, 16);
    for (std::string_view section :
         {std::string_view("TMX7参数表"), std::string_view("S"), probe}) {
        for (std::string_view key : {std::string_view("发射功率"), std::string_view("k"), probe}) {
            const auto value = doc.Find(section, key);
            if (value) {
                Check(value->find('\0') == std::string::npos);
                Check(value->size() <= 3 * kProfileValueMaxBytes);
            }
            (void)doc.GetInt(section, key, 7);
        }
    }
    (void)ParseProfileInt(bytes);

    // A plain value written into the document reads back unchanged.
    std::string value;
    for (char c : bytes.substr(size / 2, 40)) {
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'))
            value += c;
    }
    Check(doc.SetString("TMX7参数表", "组号", value));
    (void)doc.SetString(probe, probe, bytes.substr(size / 2));
    const std::string serialized = doc.Serialize();
    ProfileDocument again = ProfileDocument::Parse(serialized);
    Check(again.GetString("TMX7参数表", "组号", "<missing>") == value);
    // Serializing is a fixed point once lines end in CR LF.
    Check(again.Serialize() == serialized);
    return 0;
}
