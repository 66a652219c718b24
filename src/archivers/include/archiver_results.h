/*
 * Results of the archiver modules. 0 is success; every failure has its own code in the 0x8000
 * range. Three of them mean more than "this archive failed" to a caller: no space left, a
 * destination that may not be written, and a cancel from the progress procedure.
 */
#ifndef QUILLBOX_ARCHIVER_RESULTS_H
#define QUILLBOX_ARCHIVER_RESULTS_H

#define ARC_OK                     0
#define ARC_ERROR_DISK_FULL        0x8005 /* 32773: no space left on the destination */
#define ARC_ERROR_READ_ONLY        0x8006 /* 32774: destination read-only or not permitted */
#define ARC_ERROR_USER_CANCEL      0x8020 /* 32800: cancelled by the progress procedure */
#define ARC_ERROR_BUSY             0x801F /* 32799: the module is already running a call */

/* Further codes are added here, one per kind of failure, all in 0x8000..0x80FF. */

#endif
