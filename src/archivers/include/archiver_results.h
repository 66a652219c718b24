/*
 * Results of the archiver modules. 0 is success; every failure has its own code in the 0x8000
 * range. Three of them mean more than "this archive failed" to a caller: no space left, a
 * destination that may not be written, and a cancel from the progress procedure.
 */
#ifndef QUILLBOX_ARCHIVER_RESULTS_H
#define QUILLBOX_ARCHIVER_RESULTS_H

#define ARC_OK 0
#define ARC_ERROR_DISK_FULL 0x8005 /* 32773: no space left on the destination */
#define ARC_ERROR_READ_ONLY 0x8006 /* 32774: destination read-only or not permitted */
#define ARC_ERROR_USER_CANCEL 0x8020 /* 32800: cancelled by the progress procedure */
#define ARC_ERROR_BUSY 0x801F /* 32799: the module is already running a call */

/* One code per kind of failure, all in 0x8000..0x80FF. */
#define ARC_ERROR_COMMAND_LINE 0x8001 /* 32769: the command line cannot be understood */
#define ARC_ERROR_NOTHING_TO_DO 0x8002 /* 32770: no file matched the specifications */
#define ARC_ERROR_ARCHIVE_MISSING 0x8003 /* 32771: the archive to read does not exist */
#define ARC_ERROR_BAD_ARCHIVE 0x8004 /* 32772: the archive is damaged or not of this format */
#define ARC_ERROR_READ_SOURCE 0x8007 /* 32775: a source file or folder cannot be read */
#define ARC_ERROR_WRITE 0x8008 /* 32776: writing the output failed (other than space or rights) */
#define ARC_ERROR_TEMP_FILE 0x8009 /* 32777: no temporary file could be made */
#define ARC_ERROR_UNSAFE_PATH 0x800A /* 32778: a member name would lead outside the target folder */
#define ARC_ERROR_NO_MEMORY 0x800B /* 32779: out of memory */
#define ARC_ERROR_FOLDER_MISSING                                                                   \
    0x800C /* 32780: a folder named on the command line does not exist */
#define ARC_ERROR_CHECKSUM 0x800D /* 32781: a member's data does not match its checksum */
#define ARC_ERROR_UNSUPPORTED 0x800E /* 32782: a member uses a method this module cannot handle */
#define ARC_ERROR_INTERNAL 0x800F /* 32783: an unexpected failure inside the module */
#define ARC_ERROR_MEMBER_MISSING                                                                   \
    0x8010 /* 32784: a member named on the command line is not in the archive */
#define ARC_ERROR_SOURCE_CHANGED                                                                   \
    0x8011 /* 32785: a source file changed size while it was being packed */
/* 32786: the archive was written, but files were left out (each named by a "skipped" line of
 * archiver_output.h). 32787: the new archive failed its test (-test); the old one was kept. */
#define ARC_ERROR_INCOMPLETE 0x8012
#define ARC_ERROR_TEST_FAILED 0x8013

#endif
