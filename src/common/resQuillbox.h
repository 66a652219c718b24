// The message table of this program (captions, tooltips, message boxes, history lines).
#pragma once

#include <string>

// Names of the codes of the packing run, job files and start-up. Captions and tooltips of the
// windows are still asked for by their number, which each window's code range documents.
enum QuillboxText : int {
    kTextNone = 0,  // the empty text, the start of a composed question
    kTextJobFilter = 12,  // file-dialog filter of job files
    kTextOverwriteJob = 200,  // the job file exists: overwrite?
    kTextJobNotSaved = 201,
    kTextJobNotRead = 202,
    kTextNoLzhModule = 205,  // UNLHA32.DLL missing or broken
    kTextLzhModuleTooOld = 206,  // UNLHA32.DLL older than 1.04
    kTextTargetListFull = 3100,  // at most 1000 folders a run
    kHistoryLzhFirstStage = 20001,  // double compression, stored LZH in the temporary folder
    kHistoryLzhSecondStage = 20002,
    kHistoryPacked = 20003,
    kHistoryNotPacked = 20004,
    kHistoryRefused = 20005,  // the pre-check refused the folder
    kHistoryZipFirstStage = 20006,
    kHistoryZipSecondStage = 20007,
    kHistoryLzhPacking = 20010,
    kHistoryZipPacking = 20011,
    kHistoryLzhStoring = 20012,
    kHistoryZipStoring = 20013,
    kHistoryExtractingForUpdate = 20020,  // the final archive is unpacked to be updated
    kHistoryDiskFull = 20040,
    kHistoryReadOnly = 20041,
    kHistoryCancelled = 20042,
    kTextLzhModuleBusy = 20100,
    kTextZipModuleBusy = 20101,
    kTextFolderHoldsOutputFolder = 20200,
    kTextFolderHoldsTempFolder = 20201,
    kTextFolderMissing = 20202,
    // Why a folder was not packed: "　理由：" and one of the reasons below ("%1", "%2": names).
    kHistoryReason = 20300,
    kReasonUnreadable = 20301,
    kReasonChanged = 20302,
    kReasonNameClashInside = 20303,
    kReasonDamagedArchive = 20304,
    kReasonTestFailed = 20305,
    kReasonDiskFull = 20306,
    kReasonReadOnly = 20307,
    kReasonCancelled = 20308,
    kReasonModuleBusy = 20309,
    kReasonModuleMissing = 20310,
    kReasonNoName = 20311,
    kReasonQuoteInPath = 20312,
    kReasonNoOutputFolder = 20313,
    kReasonArchiveClaimed = 20314,
    kReasonFilesLeftOut = 20315,
    kReasonNoSuchMode = 20316,
    kReasonNoWorkFolder = 20317,
    kReasonNothingToPack = 20318,
    kReasonTempFile = 20319,
    kReasonNoMemory = 20320,
    kReasonWriteFailed = 20321,
    kReasonModuleError = 20322,
    kReasonFolderGone = 20323,
    kReasonUnexpected = 20324,
    kReasonNoTempFolder = 20325,
    kHistoryFileLeftOut = 20330,  // one line per file a module left out, with its reason
    kHistoryRawName = 20340,
    kHistoryLargeMember = 20341,
    kHistoryOutputCut = 20342,
    kHistoryRunCount = 20400,  // "全 N フォルダ中 n フォルダを圧縮しました"
    kTextRunPosition = 20500,  // progress window: "フォルダ i / N"
};

// The text for a code (UTF-8); the empty text for a code that is not in the table.
std::string resQuillbox(int code);
