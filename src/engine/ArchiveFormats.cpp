#include "engine/ArchiveFormats.h"

namespace qb::engine {
namespace {

constexpr ArchiveFormatInfo kFormats[] = {
    {
        .format = ArchiveFormat::Lzh,
        .suffix = ".LZH",
        .packer = ArchiverKind::Lzh,
        .extractor = ArchiverKind::Lzh,
        .available = &ArchiverModules::LzhAvailable,
        .packingLine = kHistoryLzhPacking,
        .storingLine = kHistoryLzhStoring,
        .firstStageLine = kHistoryLzhFirstStage,
        .secondStageLine = kHistoryLzhSecondStage,
        .busyMessage = kTextLzhModuleBusy,
        .packCommand = &LzhPackCommand,
        .firstStageCommand = &LzhFirstStageCommand,
        .secondStageCommand = &LzhSecondStageCommand,
        .extractCommand = &LzhUpdateExtractCommand,
    },
    {
        .format = ArchiveFormat::Zip,
        .suffix = ".ZIP",
        .packer = ArchiverKind::Zip,
        .extractor = ArchiverKind::UnZip,
        .available = &ArchiverModules::ZipAvailable,
        .packingLine = kHistoryZipPacking,
        .storingLine = kHistoryZipStoring,
        .firstStageLine = kHistoryZipFirstStage,
        .secondStageLine = kHistoryZipSecondStage,
        .busyMessage = kTextZipModuleBusy,
        .packCommand = &ZipPackCommand,
        .firstStageCommand = &ZipFirstStageCommand,
        .secondStageCommand = &ZipSecondStageCommand,
        .extractCommand = &UnZipUpdateExtractCommand,
    },
};

}  // namespace

const ArchiveFormatInfo& FormatInfo(ArchiveFormat format)
{
    for (const ArchiveFormatInfo& info : kFormats) {
        if (info.format == format)
            return info;
    }
    return kFormats[0];  // not reached: every format has its row
}

bool FormatAvailable(const ArchiveFormatInfo& info)
{
    return Modules.*info.available;
}

DoubleNames MakeDoubleNames(const Options& o, const std::string& baseName,
                            const std::string& outputFolder, DoublePattern pattern)
{
    DoubleNames n;
    n.N = baseName + FormatInfo(FirstStageFormat(pattern)).suffix;
    n.T = WithBackslash(o.TempFolder) + n.N;
    n.D = WithBackslash(outputFolder) + n.N + FormatInfo(SecondStageFormat(pattern)).suffix;
    return n;
}

}  // namespace qb::engine
