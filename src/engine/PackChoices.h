// The choices a packing run is made of, as types: the archive format, the run mode, the pattern
// of double compression and the codes of names inside archives.
//
// The settings hold these choices as numbers, and Options keeps the numbers exactly as they were
// read, so that a value no button offers (Pattern=7, AshukuExe=5) is written back unchanged at
// exit. The functions here say what each stored number does; the engine decides with their
// results, never with the numbers.
#pragma once

namespace qb::engine {

enum class ArchiveFormat { Lzh, Zip };

// The values are the stored numbers of AutoExe and the indexes of the run buttons. The type is
// deliberately open: a stored number beyond the three (AutoExe=7) travels as it is, and a run
// given it packs nothing and names the number in its history.
enum class RunMode : int { Normal = 0, Stored = 1, Double = 2 };

// The formats of the two stages of double compression, first stage first.
enum class DoublePattern { LzhLzh, LzhZip, ZipLzh, ZipZip };

// How names are written into archives.
enum class LzhNames { Cp932WhenAllFit, Utf8 };  // UTF-8: always, not only when a name needs it
enum class ZipNames { Utf8, Cp932WhenAllFit };  // UTF-8 with its flag; CP932 without it

// AshukuExe: 0 LZH; any other number ZIP.
constexpr ArchiveFormat ArchiveFormatFromSetting(int stored)
{
    return stored == 0 ? ArchiveFormat::Lzh : ArchiveFormat::Zip;
}

// AutoExe or a run button's index, kept as it is (see RunMode).
constexpr RunMode RunModeFromNumber(int number)
{
    return static_cast<RunMode>(number);
}

constexpr int RunModeNumber(RunMode mode)
{
    return static_cast<int>(mode);
}

// True for the three modes a run knows how to pack with.
constexpr bool IsKnownRunMode(RunMode mode)
{
    return mode == RunMode::Normal || mode == RunMode::Stored || mode == RunMode::Double;
}

// Pattern: 0 .LZH.LZH, 1 .LZH.ZIP, 2 .ZIP.LZH, 3 .ZIP.ZIP. Any other number packs as .ZIP.ZIP,
// as the program always did: the first stage is LZH only for 0 and 1, the second only for 0
// and 2.
constexpr DoublePattern DoublePatternFromSetting(int stored)
{
    switch (stored) {
    case 0:
        return DoublePattern::LzhLzh;
    case 1:
        return DoublePattern::LzhZip;
    case 2:
        return DoublePattern::ZipLzh;
    default:
        return DoublePattern::ZipZip;
    }
}

constexpr ArchiveFormat FirstStageFormat(DoublePattern pattern)
{
    return pattern == DoublePattern::LzhLzh || pattern == DoublePattern::LzhZip
               ? ArchiveFormat::Lzh
               : ArchiveFormat::Zip;
}

constexpr ArchiveFormat SecondStageFormat(DoublePattern pattern)
{
    return pattern == DoublePattern::LzhLzh || pattern == DoublePattern::ZipLzh
               ? ArchiveFormat::Lzh
               : ArchiveFormat::Zip;
}

// LzhNameCode: 1 always UTF-8; any other number CP932 when every name fits.
constexpr LzhNames LzhNamesFromSetting(int stored)
{
    return stored == 1 ? LzhNames::Utf8 : LzhNames::Cp932WhenAllFit;
}

// ZipNameCode: 1 CP932 when every name fits; any other number UTF-8 with its flag.
constexpr ZipNames ZipNamesFromSetting(int stored)
{
    return stored == 1 ? ZipNames::Cp932WhenAllFit : ZipNames::Utf8;
}

}  // namespace qb::engine
