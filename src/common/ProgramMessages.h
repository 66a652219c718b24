// The message table of this program (captions, tooltips, message boxes, history lines).
#pragma once

#include <string>

// Names of the codes: captions (kCaption), tooltips (kTip) and menu items (kMenu) of the windows,
// each window in a range of its own; texts of job files and start-up; history lines and the
// reasons of the packing run. The options dialog names its own codes (8000 on).
enum ProgramText : int {
    kTextNone = 0,  // the empty text, the start of a composed question
    kCaptionRunNormal = 1,  // the three run buttons of the main window
    kCaptionRunStored = 2,
    kCaptionRunDouble = 3,
    kTipRunNormal = 6,
    kTipRunStored = 7,
    kTipRunDouble = 8,
    kTextJobFilter = 12,  // file-dialog filter of job files
    kTextOverwriteJob = 200,  // the job file exists: overwrite?
    kTextJobNotSaved = 201,
    kTextJobNotRead = 202,
    kTextNoLzhModule = 205,  // UNLHA32.DLL missing or broken
    kTextLzhModuleTooOld = 206,  // UNLHA32.DLL older than 1.04
    kCaptionSourceFolder = 1000,  // the pane of the folder whose subfolders are packed
    kTipSourceDrive = 1001,
    kTipSourceFolder = 1002,
    kTipSourcePath = 1003,
    kMenuSourceCopyToOutput = 1004,  // the archive folder becomes this folder
    kCaptionSubfolderList = 2000,  // the subfolders to choose from
    kTipSubfolderList = 2001,
    kTipSubfolderAdd = 2002,
    kTipSubfolderAddAll = 2003,
    kTipSubfolderAddSubfolders = 2004,
    kCaptionTargets = 3000,  // the target list
    kTipTargetList = 3001,
    kTipTargetRemove = 3002,
    kTipTargetRemoveAll = 3003,
    kMenuTargetCopyToOutput = 3006,
    kMenuTargetCopyToSource = 3007,
    kTextTargetListFull = 3100,  // at most 1000 folders a run
    kCaptionOutputFolder = 4000,  // the archive folder; its free space follows
    kTipOutputDrive = 4001,
    kTipOutputFolder = 4002,
    kTipOutputPath = 4003,
    kMenuOutputCopyToSource = 4004,
    kCaptionHistory = 5000,
    kTipHistory = 5001,
    kCaptionArchiveList = 6000,  // the archives made
    kTipArchiveList = 6001,
    kCaptionAbout = 7000,
    kTextAboutTitle = 7001,
    kCaptionInitialFolders = 9000,  // the dialog that sets a default folder
    kMenuInitialFromSource = 9005,
    kMenuInitialFromOutput = 9006,
    kMenuInitialFromTemp = 9007,
    kTextProgramName = 9999,  // the main window's caption
    // The default-folder dialog as it sets the folder to pack from, the archive folder and the
    // temporary folder: its label, and the tips of its check box, drive, folders and path (the
    // temporary folder has no check box: its tip is the empty text).
    kInitialSourceLabel = 10000,
    kInitialOutputLabel = 10001,
    kInitialTempLabel = 10002,
    kInitialSourceCheckTip = 10020,
    kInitialSourceDriveTip = 10021,
    kInitialSourceFolderTip = 10022,
    kInitialSourcePathTip = 10023,
    kInitialOutputCheckTip = 10040,
    kInitialOutputDriveTip = 10041,
    kInitialOutputFolderTip = 10042,
    kInitialOutputPathTip = 10043,
    kInitialTempCheckTip = 10060,
    kInitialTempDriveTip = 10061,
    kInitialTempFolderTip = 10062,
    kInitialTempPathTip = 10063,
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
    kReasonFilesNotUpdated = 20326,
    kReasonFilesLeftOutAndNotUpdated = 20327,
    kReasonFolderNotWritable = 20328,  // an archive beside its folder: the parent refuses it
    kHistoryFileLeftOut = 20330,  // one line per file a module left out, with its reason
    kSkipBackslashInName = 20331,  // the reasons a module gives for a file it left out
    kSkipLinkOutside = 20332,
    kSkipLinkDangling = 20333,
    kSkipLinkLoop = 20334,
    kSkipNotRegular = 20335,
    kSkipUnreadable = 20336,
    kSkipVanished = 20337,
    kSkipNameTooLong = 20338,
    kSkipNotFound = 20339,
    kHistoryRawName = 20340,
    kHistoryLargeMember = 20341,
    kHistoryOutputCut = 20342,
    kHistoryFileNotUpdated = 20343,  // -sync: a file that cannot be read, its old copy kept
    // A folder named on the command line or in a job file that never reached the target list:
    // the reasons beside those above (a missing folder is 20202, a full list 3100).
    kReasonNotFolder = 20350,
    kReasonRelativePath = 20351,
    kReasonOutsideDrives = 20352,
    kReasonWithJobFile = 20353,
    kHistoryOutputFolderMissing = 20360,  // a job file's OUTDIR= is not there: where instead
    kTextSettingsNotSaved = 20370,  // message box: the settings file, the reason
    kTextSettingsNotDeleted = 20371,  // /U: the settings file, the reason
    kHistoryRunCount = 20400,  // "全 N フォルダ中 n フォルダを圧縮しました"
    kTextRunPosition = 20500,  // progress window: "フォルダ i / N"
    kTextArchivesFolder = 20510,  // notification of an action run: where the archives are
    kTextOpenFolder = 20511,  // its button that opens that folder
    // The options dialog (OptionsDialog): its title, the captions of its boxes, labels and buttons
    // (kCaptionOption...), and their tooltips (kTipOption...). Its three buttons and the boxes
    // it shares with the other programs of the family are in the shared table.
    kCaptionOption = 8000,
    kCaptionOptionSubDir = 8001,
    kCaptionOptionIncludeHidden = 8002,
    kCaptionOptionOwnFolderPath = 8003,
    kCaptionOptionUCase = 8004,
    kCaptionOptionDouble = 8005,
    kCaptionOptionAuto = 8006,
    kCaptionOptionAutoNormal = 8007,  // the modes of the automatic run
    kCaptionOptionAutoStored = 8008,
    kCaptionOptionAutoDouble = 8009,
    kCaptionOptionPattern = 8010,  // the label of the four double-compression patterns
    kCaptionOptionPatternLzhLzh = 8011,
    kCaptionOptionPatternLzhZip = 8012,
    kCaptionOptionPatternZipLzh = 8013,
    kCaptionOptionPatternZipZip = 8014,
    kCaptionOptionNoLeadingBackslash = 8015,
    kCaptionOptionFormat = 8016,  // the label of the format of normal and stored runs
    kCaptionOptionFormatLzh = 8017,
    kCaptionOptionFormatZip = 8018,
    kTipOptionSubDir = 8020,
    kTipOptionIncludeHidden = 8021,
    kTipOptionOwnFolderPath = 8022,
    kTipOptionUCase = 8023,
    kTipOptionDouble = 8024,
    kTipOptionAuto = 8025,
    kTipOptionAutoNormal = 8026,
    kTipOptionAutoStored = 8027,
    kTipOptionAutoDouble = 8028,
    kTipOptionPatternLzhLzh = 8031,
    kTipOptionPatternLzhZip = 8032,
    kTipOptionPatternZipLzh = 8033,
    kTipOptionPatternZipZip = 8034,
    kTipOptionNoLeadingBackslash = 8035,
    kTipOptionFormatLzh = 8037,
    kTipOptionFormatZip = 8038,
    kCaptionOptionTestArchive = 8100,
    kCaptionOptionSyncArchive = 8101,
    kCaptionOptionLzhNames = 8102,  // the label of the code of LZH names, and its two choices
    kCaptionOptionLzhNamesAuto = 8103,
    kCaptionOptionLzhNamesUtf8 = 8104,
    kCaptionOptionZipNames = 8105,  // the label of the code of ZIP names, and its two choices
    kCaptionOptionZipNamesUtf8 = 8106,
    kCaptionOptionZipNamesCp932 = 8107,
    kTipOptionTestArchive = 8110,
    kTipOptionSyncArchive = 8111,
    kTipOptionLzhNamesAuto = 8113,
    kTipOptionLzhNamesUtf8 = 8114,
    kTipOptionZipNamesUtf8 = 8116,
    kTipOptionZipNamesCp932 = 8117,
};

// The text for a code (UTF-8); the empty text for a code that is not in the table.
std::string ProgramMessage(int code);
