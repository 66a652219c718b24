// The message table shared with the other programs of the family.
#pragma once

#include <string>

// Names of the shared codes: buttons, menus and dialogs the programs of the family have in common.
enum SharedText : int {
    kSharedCancel = 5,  // the cancel button of a run
    kSharedCancelTip = 10,
    kSharedLogFilter = 11,  // file-dialog filter of a saved history
    kSharedUninstallQuestion = 20,  // follows the program's name: delete every setting?
    kSharedRunAborted = 30,  // closing line of a run that was stopped
    kSharedRunFinished = 31,  // closing line of a run that went through the list
    kSharedMakeFolderPrompt = 100,  // making a folder: the question, the faults of a name, failures
    kSharedMakeFolderBackslash = 101,
    kSharedMakeFolderStar = 102,
    kSharedMakeFolderQuestionMark = 103,
    kSharedMakeFolderFailed = 104,
    kSharedMakeFolderError = 105,
    kSharedMakeFolderNoName = 106,
    kSharedMakeFolderBadName = 107,
    kSharedMakeFolderDotAtEnds = 108,
    kSharedMakeFolderCaption = 110,
    kSharedMenuRefresh = 1005,
    kSharedMenuAddAlias = 1006,
    kSharedMenuAliases = 1007,
    kSharedAliasPrompt = 1100,  // adding a folder alias
    kSharedAliasCaption = 1101,
    kSharedAliasExists = 1102,
    kSharedMenuSelectAll = 2006,
    kSharedMenuSelectNone = 2007,
    kSharedMenuClear = 2008,
    kSharedOverwriteLog = 5100,  // saving the history
    kSharedLogNotSaved = 5101,
    kSharedAuthorId = 7003,  // the author's contact lines of the about dialog
    kSharedAuthorMail = 7004,
    kSharedAuthorWeb = 7005,
    kSharedDefaultsButton = 8042,  // the buttons of the settings dialogs and their tips
    kSharedCancelButton = 8043,
    kSharedOkButton = 8044,
    kSharedDefaultsTip = 8045,
    kSharedCancelButtonTip = 8046,
    kSharedOkButtonTip = 8047,
    kSharedResizeBox = 8056,  // the panes follow the main window's size
    kSharedResizeTip = 8057,
    kSharedToolTipBox = 8058,
    kSharedToolTipTip = 8059,
    kSharedCopyHistoryBox = 8060,  // the automatic run copies its history to the clipboard
    kSharedCopyHistoryTip = 8061,
    kSharedAliasesCaption = 11000,  // the folder-alias dialog; follows the pane's caption
    kSharedRenameButton = 11003,
    kSharedRenameTip = 11006,
    kSharedAliasFolderTip = 11007,
    kSharedAliasListTip = 11008,
    kSharedMoveUpTip = 11009,
    kSharedMoveDownTip = 11010,
    kSharedDeleteTip = 11011,
    kSharedDeleteAllTip = 11012,
    kSharedRenamePrompt = 11101,
    kSharedRenameCaption = 11102,
    kSharedRenameExists = 11103,
};

// The text for a code (UTF-8); the empty text for a code that is not in the table.
std::string SharedMessage(int code);
