// Parsing of member headers, levels 0 to 3. The parser works on a byte buffer and asks for more
// bytes when a header is longer than what it was given, so the same code serves archives on disk
// and in memory (the fuzz harness), and a hostile size field costs at most one bounded read.
#include "lzh_header.h"

#include <cstring>
#include <ctime>

#include "lzh_crc16.h"

namespace lzh {
namespace {

// No real header comes near this; it bounds what a damaged size field can make us read.
constexpr std::size_t kMaxHeaderSize = 1u << 20;

std::uint16_t U16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t U32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint64_t U64(const std::uint8_t* p)
{
    return U32(p) | (static_cast<std::uint64_t>(U32(p + 4)) << 32);
}

// MS-DOS date and time are local time with two-second steps. False for an empty field or one
// that holds no real date (some writers leave it zero).
bool DosTimeToUnix(std::uint32_t dos, std::int64_t& out)
{
    out = 0;
    std::tm tm{};
    tm.tm_sec = static_cast<int>((dos & 0x1F) * 2);
    tm.tm_min = static_cast<int>((dos >> 5) & 0x3F);
    tm.tm_hour = static_cast<int>((dos >> 11) & 0x1F);
    tm.tm_mday = static_cast<int>((dos >> 16) & 0x1F);
    tm.tm_mon = static_cast<int>(((dos >> 21) & 0x0F)) - 1;
    tm.tm_year = static_cast<int>((dos >> 25) & 0x7F) + 80;
    tm.tm_isdst = -1;
    if (dos == 0 || tm.tm_mday == 0 || tm.tm_mon < 0 || tm.tm_mon > 11)
        return false;
    std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1))
        return false;
    out = static_cast<std::int64_t>(t);
    return true;
}

void SetDosTime(std::uint32_t dos, MemberHeader& h)
{
    h.hasDate = DosTimeToUnix(dos, h.mtime);
    h.dosTime = true;
}

// A Unix time from a header; 0 is what writers put when they know no date.
void SetUnixTime(std::uint32_t seconds, MemberHeader& h)
{
    h.mtime = seconds;
    h.hasDate = seconds != 0;
    h.dosTime = false;
}

// OS-9 keeps read, write and execute rights for the owner (bits 0-2) and for everyone else
// (bits 3-5), and bit 7 for folders; the others' rights serve for group and other alike.
std::uint16_t UnixModeFromOs9(std::uint16_t rights)
{
    std::uint16_t mode = 0;
    const std::uint16_t owner[3] = {0400, 0200, 0100};
    const std::uint16_t others[3] = {0044, 0022, 0011};
    for (int bit = 0; bit < 3; ++bit) {
        if (rights & (1u << bit))
            mode |= owner[bit];
        if (rights & (1u << (bit + 3)))
            mode |= others[bit];
    }
    if (rights & 0x80)
        mode |= 040000;
    return mode;
}

HeaderParse Need(std::size_t n)
{
    HeaderParse r;
    r.status = n > kMaxHeaderSize ? HeaderStatus::Damaged : HeaderStatus::Incomplete;
    r.needed = n;
    if (r.status == HeaderStatus::Damaged)
        r.error = "header too large";
    return r;
}

HeaderParse Bad(const char* why)
{
    HeaderParse r;
    r.status = HeaderStatus::Damaged;
    r.error = why;
    return r;
}

// What the extended headers told us, before it is merged into the MemberHeader.
struct Extras {
    std::optional<std::string> name, folder;
    std::optional<std::string> name16, folder16;  // UTF-16LE
    std::optional<std::uint64_t> packed64, original64;
    std::optional<std::uint32_t> codePage;
    std::optional<std::uint32_t> unixTime;
    std::optional<std::uint64_t> fileTime;
    std::optional<std::uint16_t> os9Rights;
    std::optional<std::size_t> headerCrcPos;  // position of the CRC bytes inside the header
    std::optional<std::uint16_t> headerCrc;
};

void TakeExtended(std::uint8_t type, const std::uint8_t* data, std::size_t size,
                  std::size_t dataPos, Extras& x, MemberHeader& h)
{
    switch (type) {
    case 0x00:
        if (size >= 2) {
            x.headerCrc = U16(data);
            x.headerCrcPos = dataPos;
        }
        break;
    case 0x01:
        x.name.emplace(reinterpret_cast<const char*>(data), size);
        break;
    case 0x02:
        x.folder.emplace(reinterpret_cast<const char*>(data), size);
        break;
    case 0x40:
        if (size >= 1)
            h.attribute = data[0];
        break;
    case 0x41:
        if (size >= 16)
            x.fileTime = U64(data + 8);
        break;
    case 0x42:
        if (size >= 16) {
            x.packed64 = U64(data);
            x.original64 = U64(data + 8);
        }
        break;
    case 0x44:
        x.name16.emplace(reinterpret_cast<const char*>(data), size);
        break;
    case 0x45:
        x.folder16.emplace(reinterpret_cast<const char*>(data), size);
        break;
    case 0x46:
        if (size >= 4)
            x.codePage = U32(data);
        break;
    case 0x50:
        if (size >= 2)
            h.unixMode = U16(data);
        break;
    case 0x54:
        if (size >= 4)
            x.unixTime = U32(data);
        break;
    case 0xCC:  // OS-9: the file's rights among other things
        if (size >= 9)
            x.os9Rights = U16(data + 7);
        break;
    default:
        break;  // comments, owners, OS-specific data: nothing we use
    }
}

// Walks a chain of extended headers that starts with size field `next` at `pos`. sizeBytes is 2
// (levels 1, 2) or 4 (level 3). limit bounds the chain (level 2/3: the header size; level 1: the
// skip size). On success pos is the end of the chain.
HeaderParse WalkChain(const std::uint8_t* buf, std::size_t size, std::size_t& pos,
                      std::uint64_t next, int sizeBytes, std::uint64_t limit, Extras& x,
                      MemberHeader& h)
{
    while (next != 0) {
        if (next < static_cast<std::uint64_t>(1 + sizeBytes))
            return Bad("extended header too short");
        if (pos + next > limit)
            return Bad("extended header runs past the header");
        if (pos + next > size)
            return Need(static_cast<std::size_t>(pos + next));
        std::size_t dataSize = static_cast<std::size_t>(next) - 1 - sizeBytes;
        TakeExtended(buf[pos], buf + pos + 1, dataSize, pos + 1, x, h);
        std::size_t nextPos = pos + static_cast<std::size_t>(next) - sizeBytes;
        next = sizeBytes == 2 ? U16(buf + nextPos) : U32(buf + nextPos);
        pos = nextPos + sizeBytes;
    }
    HeaderParse ok;
    ok.status = HeaderStatus::Ok;
    return ok;
}

std::vector<std::string> DecodeUtf16Path(const std::string& bytes)
{
    // Separators in the UTF-16 forms are 0xFFFF, '\' and '/'.
    std::vector<std::string> parts;
    std::string piece;
    auto flush = [&] {
        if (!piece.empty())
            if (auto s = Utf16LeToUtf8(piece))
                parts.push_back(DecodeComponent(*s, NameCharset::Utf8));
        piece.clear();
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::uint16_t unit = U16(reinterpret_cast<const std::uint8_t*>(bytes.data() + i));
        if (unit == 0xFFFF || unit == '\\' || unit == '/')
            flush();
        else
            piece.append(bytes, i, 2);
    }
    flush();
    return parts;
}

bool StartsWithSeparator(const std::string& raw, FfByte ff)
{
    if (raw.empty())
        return false;
    auto c = static_cast<unsigned char>(raw[0]);
    return c == '/' || c == '\\' || (c == 0xFF && ff == FfByte::Separator);
}

// Joins folder and name into the final path, recognising symbolic links ("link|target"). 0xFF
// separates folders in the folder header only: inside a name it is one of its bytes, so that
// "a\xFFb" stays one name and never becomes a path through a folder "a".
void FinishPath(const std::string& rawFolder, const std::string& storedName, const Extras& x,
                MemberHeader& h)
{
    // Amiga and MorphOS tools put a file comment after a NUL in the name field.
    std::string rawName = storedName.substr(0, storedName.find('\0'));
    std::string folder = rawFolder;
    if (!folder.empty() && !rawName.empty()) {
        auto last = static_cast<unsigned char>(folder.back());
        if (last != '/' && last != '\\' && last != 0xFF)
            folder.push_back('\xFF');
    }
    std::string name = rawName;

    bool modeSaysLink = h.unixMode && (*h.unixMode & 0170000) == 0120000;
    std::string joined = folder + name;
    std::size_t bar = joined.find('|');
    if (modeSaysLink || (h.method == "-lhd-" && bar != std::string::npos && h.osId == 'U')) {
        h.isSymlink = true;
        if (bar != std::string::npos) {
            std::string target = joined.substr(bar + 1);
            for (char& c : target)
                if (static_cast<unsigned char>(c) == 0xFF)
                    c = '/';
            h.linkTarget = DecodeComponent(target, h.charset);
            // The link's own path ends at the bar, in the folder part or in the name.
            if (bar < folder.size()) {
                folder.resize(bar);
                name.clear();
            } else {
                name.resize(bar - folder.size());
            }
        }
    }
    h.isDirectory = h.method == "-lhd-" && !h.isSymlink;
    h.hadLeadingSeparator = folder.empty() ? StartsWithSeparator(name, FfByte::Text)
                                           : StartsWithSeparator(folder, FfByte::Separator);
    h.storedPath.clear();
    for (char c : folder)
        h.storedPath.push_back(static_cast<unsigned char>(c) == 0xFF ? '/' : c);
    h.storedPath += name;
    while (!h.storedPath.empty() && h.storedPath.back() == '/')
        h.storedPath.pop_back();

    auto decodeBytes = [&](const std::string& bytes, FfByte ff, std::vector<std::string>& out) {
        for (auto& p : SplitStoredPath(bytes, h.charset, ff))
            out.push_back(DecodeComponent(p, h.charset));
    };
    std::vector<std::string> parts;
    if ((x.name16 || x.folder16) && !h.isSymlink) {
        // The UTF-16 forms are exact; each replaces its byte-string counterpart.
        if (x.folder16)
            parts = DecodeUtf16Path(*x.folder16);
        else
            decodeBytes(rawFolder, FfByte::Separator, parts);
        if (x.name16) {
            for (auto& p : DecodeUtf16Path(*x.name16))
                parts.push_back(std::move(p));
        } else {
            decodeBytes(rawName, FfByte::Text, parts);
        }
        h.hadLeadingSeparator = StartsWithSeparator(rawFolder, FfByte::Separator);
    } else {
        decodeBytes(folder, FfByte::Separator, parts);
        decodeBytes(name, FfByte::Text, parts);
    }
    // A leading drive ("C:") makes a path absolute as much as a leading separator does.
    if (!parts.empty() && parts[0].size() == 2 && parts[0][1] == ':') {
        parts.erase(parts.begin());
        h.hadLeadingSeparator = true;
    }
    h.components.clear();
    for (auto& p : parts)
        if (p != ".")
            h.components.push_back(std::move(p));
    if (h.storedPath == h.Path())
        h.storedPath.clear();  // the usual case, not kept twice
}

void ApplyCharset(const Extras& x, MemberHeader& h)
{
    if (!x.codePage)
        return;
    if (*x.codePage == 932)
        h.charset = NameCharset::Cp932;
    else if (*x.codePage == 65001)
        h.charset = NameCharset::Utf8;
    else if (*x.codePage == 1252)
        h.charset = NameCharset::Cp1252;
    else if (*x.codePage == 437)
        h.charset = NameCharset::Cp437;
}

HeaderParse Finish(std::size_t headerSize, std::uint64_t offset, MemberHeader& h)
{
    h.headerOffset = offset;
    h.headerSize = headerSize;
    h.dataOffset = offset + headerSize;
    HeaderParse ok;
    ok.status = HeaderStatus::Ok;
    return ok;
}

bool CheckHeaderCrc(const std::uint8_t* buf, std::size_t size, const Extras& x)
{
    if (!x.headerCrcPos)
        return true;
    std::uint16_t crc = Crc16(buf, *x.headerCrcPos);
    static const std::uint8_t zeros[2] = {0, 0};
    crc = Crc16Update(crc, zeros, 2);
    crc = Crc16Update(crc, buf + *x.headerCrcPos + 2, size - *x.headerCrcPos - 2);
    return crc == *x.headerCrc;
}

std::uint8_t ByteSum(const std::uint8_t* p, std::size_t n)
{
    unsigned sum = 0;
    for (std::size_t i = 0; i < n; ++i)
        sum += p[i];
    return static_cast<std::uint8_t>(sum);
}

// What some writers append to a level-0 header after the CRC, told apart by its first byte. LHa
// for UNIX: 'U', a version byte 0, the Unix time, mode, uid and gid. OS-9/68k LHA: the same
// with 'K' (and the time twice, so the mode and ids are taken from the end) holding OS-9 rights.
// OS-9 LHA: 22 bytes from '9' holding the rights, recognised by the copies of its fields.
void TakeLevel0Area(const std::uint8_t* area, std::size_t size, MemberHeader& h)
{
    if ((area[0] == 'U' || area[0] == 'K') && size >= 12 && area[1] == 0) {
        h.osId = area[0];
        SetUnixTime(U32(area + 2), h);
        std::uint16_t mode = U16(area + size - 6);
        h.unixMode = area[0] == 'K' ? UnixModeFromOs9(mode) : mode;
    } else if (area[0] == '9' && size >= 22 && area[9] == 0xCC && area[1] == area[17] &&
               area[2] == area[18]) {
        h.osId = '9';
        h.unixMode = UnixModeFromOs9(U16(area + 1));
    }
}

// OS-9 rights stand where others put a Unix mode (OS-9/68k LHA uses the Unix mode header for
// them) or in an OS-9 header of their own.
void TakeOs9Rights(const Extras& x, MemberHeader& h)
{
    if (x.os9Rights)
        h.unixMode = UnixModeFromOs9(*x.os9Rights);
    else if (h.osId == 'K' && h.unixMode)
        h.unixMode = UnixModeFromOs9(*h.unixMode);
}

HeaderParse ParseLevel0(const std::uint8_t* buf, std::size_t size, std::uint64_t offset,
                        HeaderDetail detail, MemberHeader& h)
{
    std::size_t total = static_cast<std::size_t>(buf[0]) + 2;
    if (size < total)
        return Need(total);
    if (total < 22 || ByteSum(buf + 2, total - 2) != buf[1])
        return Bad("header checksum error");
    std::size_t n = buf[21];
    if (22 + n > total)
        return Bad("name runs past the header");
    h.attribute = buf[19];
    SetDosTime(U32(buf + 15), h);
    std::string rawName(reinterpret_cast<const char*>(buf + 22), n);
    if (total >= 24 + n)
        h.crc = U16(buf + 22 + n);
    else
        h.hasCrc = false;
    if (total > 24 + n)
        TakeLevel0Area(buf + 24 + n, total - 24 - n, h);
    Extras none;
    if (detail == HeaderDetail::Full)
        FinishPath({}, rawName, none, h);
    return Finish(total, offset, h);
}

HeaderParse ParseLevel1(const std::uint8_t* buf, std::size_t size, std::uint64_t offset,
                        HeaderDetail detail, MemberHeader& h)
{
    std::size_t base = static_cast<std::size_t>(buf[0]) + 2;
    if (size < base)
        return Need(base);
    if (base < 27 || ByteSum(buf + 2, base - 2) != buf[1])
        return Bad("header checksum error");
    std::size_t n = buf[21];
    if (27 + n > base)
        return Bad("name runs past the header");
    std::uint64_t skip = U32(buf + 7);
    h.crc = U16(buf + 22 + n);
    h.osId = buf[24 + n];
    SetDosTime(U32(buf + 15), h);
    Extras x;
    std::size_t pos = base;
    HeaderParse chain = WalkChain(buf, size, pos, U16(buf + base - 2), 2, base + skip, x, h);
    if (chain.status != HeaderStatus::Ok)
        return chain;
    std::uint64_t extTotal = pos - base;
    h.packedSize = skip - extTotal;  // the skip size counts the extended headers too
    if (x.headerCrcPos && !CheckHeaderCrc(buf, pos, x))
        return Bad("header CRC error");
    // The Unix time (LHa for UNIX) and the Windows times are exact where the MS-DOS field is not.
    if (x.unixTime)
        SetUnixTime(*x.unixTime, h);
    if (x.fileTime && *x.fileTime >= kFileTimeOfUnixEpoch) {
        h.fileTime = x.fileTime;
        if (!x.unixTime) {
            h.mtime = static_cast<std::int64_t>((*x.fileTime - kFileTimeOfUnixEpoch) / 10000000ull);
            h.hasDate = true;
            h.dosTime = false;
        }
    }
    TakeOs9Rights(x, h);
    ApplyCharset(x, h);
    std::string rawName =
        x.name ? *x.name : std::string(reinterpret_cast<const char*>(buf + 22), n);
    if (detail == HeaderDetail::Full)
        FinishPath(x.folder.value_or(std::string()), rawName, x, h);
    return Finish(pos, offset, h);
}

HeaderParse ParseLevel2or3(const std::uint8_t* buf, std::size_t size, std::uint64_t offset,
                           HeaderDetail detail, MemberHeader& h)
{
    bool level3 = h.level == 3;
    std::size_t fixed = level3 ? 32 : 26;
    if (size < fixed)
        return Need(fixed);
    std::uint64_t total = level3 ? U32(buf + 24) : U16(buf);
    if (level3 && U16(buf) != 4)
        return Bad("unknown level-3 word size");
    h.osId = buf[23];
    // OS-9/68k LHA stores the size of the level-2 header without its own two bytes.
    if (!level3 && h.osId == 'K')
        total += 2;
    if (total < fixed)
        return Bad("header size too small");
    if (total > kMaxHeaderSize)
        return Bad("header too large");
    if (size < total)
        return Need(static_cast<std::size_t>(total));
    SetUnixTime(U32(buf + 15), h);
    h.crc = U16(buf + 21);
    Extras x;
    std::size_t pos = fixed;
    std::uint64_t first = level3 ? U32(buf + 28) : U16(buf + 24);
    HeaderParse chain = WalkChain(buf, size, pos, first, level3 ? 4 : 2, total, x, h);
    if (chain.status != HeaderStatus::Ok)
        return chain;
    // The common header's CRC protects the whole header: without it a damaged type byte could
    // hide the CRC, so a header without one is refused - except from Atari LHarc, which never
    // writes it, and whose archives other readers read all the same.
    if (!x.headerCrcPos && h.osId != 'a')
        return Bad("header without CRC");
    if (x.headerCrcPos && !CheckHeaderCrc(buf, static_cast<std::size_t>(total), x))
        return Bad("header CRC error");
    if (x.fileTime && *x.fileTime >= kFileTimeOfUnixEpoch) {
        h.fileTime = x.fileTime;
        if (!h.hasDate) {
            h.mtime = static_cast<std::int64_t>((*x.fileTime - kFileTimeOfUnixEpoch) / 10000000ull);
            h.hasDate = true;
        }
    }
    if (x.packed64 && x.original64) {
        h.packedSize = *x.packed64;
        h.originalSize = *x.original64;
    }
    TakeOs9Rights(x, h);
    ApplyCharset(x, h);
    if (detail == HeaderDetail::Full)
        FinishPath(x.folder.value_or(std::string()), x.name.value_or(std::string()), x, h);
    return Finish(static_cast<std::size_t>(total), offset, h);
}

}  // namespace

std::optional<std::uint64_t> FileTimeFromUnix(std::int64_t seconds, long nanoseconds)
{
    if (seconds < 0 || nanoseconds < 0)
        return std::nullopt;
    return kFileTimeOfUnixEpoch + static_cast<std::uint64_t>(seconds) * 10000000ull +
           static_cast<std::uint64_t>(nanoseconds) / 100;
}

void UnixFromFileTime(std::uint64_t fileTime, std::int64_t& seconds, long& nanoseconds)
{
    std::uint64_t since = fileTime - kFileTimeOfUnixEpoch;
    seconds = static_cast<std::int64_t>(since / 10000000ull);
    nanoseconds = static_cast<long>(since % 10000000ull) * 100;
}

std::string MemberHeader::Path() const
{
    std::string path;
    AppendPath(path);
    return path;
}

void MemberHeader::AppendPath(std::string& out) const
{
    const std::size_t start = out.size();
    for (const auto& c : components) {
        if (out.size() > start)
            out.push_back('/');
        out += c;
    }
}

HeaderParse ParseHeader(const std::uint8_t* buf, std::size_t size, std::uint64_t offset,
                        MemberHeader& out, HeaderDetail detail)
{
    if (size < 1)
        return Need(1);
    if (buf[0] == 0) {
        HeaderParse end;
        end.status = HeaderStatus::EndOfArchive;
        return end;
    }
    if (size < 22)
        return Need(22);
    if (buf[2] != '-' || buf[6] != '-')
        return Bad("not an LZH member header");
    MemberHeader h;
    h.method.assign(reinterpret_cast<const char*>(buf + 2), 5);
    h.level = buf[20];
    h.packedSize = U32(buf + 7);
    h.originalSize = U32(buf + 11);
    HeaderParse r;
    switch (h.level) {
    case 0:
        r = ParseLevel0(buf, size, offset, detail, h);
        break;
    case 1:
        r = ParseLevel1(buf, size, offset, detail, h);
        break;
    case 2:
    case 3:
        r = ParseLevel2or3(buf, size, offset, detail, h);
        break;
    default:
        return Bad("unknown header level");
    }
    if (r.status == HeaderStatus::Ok)
        out = std::move(h);
    return r;
}

}  // namespace lzh
