#include "image/PLPixelFormat.h"

#include <cctype>
#include <vector>

namespace {

// Longer names first where one is a prefix of another ("Cbr" before "Cb").
constexpr std::array<std::pair<std::string_view, PLPixelFormat::Channel>, PLPixelFormat::ChannelCount>
    kChannelNames{{{"Cbr", PLPixelFormat::Cbr},
                   {"Cb", PLPixelFormat::Cb},
                   {"Cr", PLPixelFormat::Cr},
                   {"R", PLPixelFormat::R},
                   {"G", PLPixelFormat::G},
                   {"B", PLPixelFormat::B},
                   {"A", PLPixelFormat::A},
                   {"I", PLPixelFormat::I},
                   {"L", PLPixelFormat::L},
                   {"C", PLPixelFormat::C},
                   {"M", PLPixelFormat::M},
                   {"Y", PLPixelFormat::Y},
                   {"K", PLPixelFormat::K},
                   {"X", PLPixelFormat::X}}};

bool FindChannel(std::string_view letters, PLPixelFormat::Channel& channel)
{
    for (const auto& [name, value] : kChannelNames) {
        if (name == letters) {
            channel = value;
            return true;
        }
    }
    return false;
}

const std::vector<PLPixelFormat>& Registry()
{
    static const std::vector<PLPixelFormat> formats = [] {
        std::vector<PLPixelFormat> list;
        for (const char* name :
             {"",         "L1",       "I8",       "L8",        "L16",       "X1R5G5B5", "A1R5G5B5", "R5G6B5",
              "R8G8B8",   "A8R8G8B8", "X8R8G8B8", "R16G16B16", "B5G5R5X1",  "B5G5R5A1", "B5G6R5",   "B8G8R8",
              "B8G8R8A8", "B8G8R8X8", "A8B8G8R8", "X8B8G8R8",  "B16G16R16", "L8Cbr8",   "L8Cb8Cr8"})
            list.emplace_back(name);
        return list;
    }();
    return formats;
}

}  // namespace

PLPixelFormat::PLPixelFormat(std::string_view name) : m_name(name)
{
    struct Group {
        Channel channel;
        int bits;
    };
    std::vector<Group> groups;
    size_t i = 0;
    while (i < name.size()) {
        const size_t letters = i;
        while (i < name.size() && std::isalpha(static_cast<unsigned char>(name[i])))
            ++i;
        const size_t digits = i;
        int bits = 0;
        while (i < name.size() && std::isdigit(static_cast<unsigned char>(name[i])) && bits <= 64)
            bits = bits * 10 + (name[i++] - '0');
        Channel channel;
        if (digits == letters || i == digits || bits == 0 ||
            !FindChannel(name.substr(letters, digits - letters), channel))
            throw UnsupportedPixelFormat(m_name);
        m_bitsPerPixel += bits;
        if (m_bitsPerPixel > 64)
            throw UnsupportedPixelFormat(m_name);
        groups.push_back({channel, bits});
    }
    int above = 0;
    for (const Group& group : groups) {
        const uint64_t ones = group.bits == 64 ? ~uint64_t{0} : (uint64_t{1} << group.bits) - 1;
        m_masks[group.channel] = ones << (m_bitsPerPixel - group.bits - above);
        above += group.bits;
    }
}

const PLPixelFormat& PLPixelFormat::FindByName(std::string_view name)
{
    for (const PLPixelFormat& format : Registry()) {
        if (format.m_name == name)
            return format;
    }
    throw UnsupportedPixelFormat(std::string(name));
}

int PLPixelFormat::PaletteSize() const
{
    return m_bitsPerPixel >= 1 && m_bitsPerPixel <= 8 ? 1 << m_bitsPerPixel : 0;
}

const PLPixelFormat& PLPixelFormat::WithAlpha(bool alpha) const
{
    std::string name = m_name;
    const char from = alpha ? 'X' : 'A';
    const bool has = alpha ? m_masks[X] != 0 : m_masks[A] != 0;
    if (has)
        name[name.find(from)] = alpha ? 'A' : 'X';
    return FindByName(name);
}

PLPixelFormat PLPixelFormat::WithRedBlueSwapped() const
{
    std::string name = m_name;
    const size_t r = name.find('R');
    const size_t b = name.find('B');
    if (r != std::string::npos && b != std::string::npos)
        std::swap(name[r], name[b]);
    return PLPixelFormat(name);
}
