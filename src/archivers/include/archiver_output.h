/*
 * What the archiver modules say about the files of a packing call, in lines a program can read,
 * and the switches that choose name codes, a test before replacing, and rebuilding.
 *
 * OUTPUT LINES
 * The output buffer holds lines ending in '\n'. Most are free text for people. The lines below
 * start with a fixed word and have a fixed shape, so that a caller can tell its user exactly
 * which file did not go in and why:
 *
 *   skipped <reason> <member>        a file or folder that was left out of the archive
 *   raw-name <member>                a name that is not valid UTF-8, stored as its bytes
 *   large-member <member>            an LZH member of 4 GiB or more (64-bit size header), which
 *                                    many LZH readers (lhasa, 7-Zip) cannot read; ZIP can
 *   not-updated <reason> <member>    -sync: a file (or folder) that is there but could not be
 *                                    read; its member (or the members below it) of the old
 *                                    archive stays in the new one as it was
 *   failed <reason> <name>           why the call failed, when one file or cause is known; at
 *                                    most one such line, just before a failure result
 *   output-cut <n>                   the buffer was too small; n more lines were dropped
 *
 * <reason> is one word of [a-z0-9-]. <member> is the path as it would have been stored, '/'
 * separated, relative to the packed folder (with the folder part of the file specification when
 * paths are stored), and runs to the end of the line (it may hold spaces). In <member> every
 * byte that is not part of valid UTF-8, every control byte and every backslash is written as
 * \xNN (two upper-case hex digits), so "\" always starts such an escape.
 *
 * Reasons of "skipped" (and "not-updated", which has only "unreadable" today):
 *   backslash-in-name  the name holds '\', which every reader takes for a folder separator
 *   link-outside       a symbolic link whose target lies outside the packed folder; not followed
 *   link-dangling      a symbolic link that leads nowhere
 *   link-loop          a link to a folder that this call has taken already
 *   not-regular        a FIFO, socket or device
 *   unreadable         a file or folder that may not be read (its content is not in the archive)
 *   vanished           removed while the call was looking at it
 *   name-too-long      the stored name would not fit in a member header
 *   not-found          a file named literally on the command line does not exist
 *   symbolic-link      extraction (UnZip): a member that is a symbolic link; links are never
 *                      made from an archive, so it is left out. The other members come out and
 *                      the call returns ARC_ERROR_INCOMPLETE when nothing else failed
 *   byte-ff-in-name    LZH: the name holds the byte 0xFF, which LZH readers take for a folder
 *                      separator
 * Reasons of "failed":
 *   unreadable         <name> is the member whose file could not be read while packing
 *   changed            <name> is the member whose file changed size while it was packed
 *   name-clash         two files would be stored under one name (<name>)
 *   damaged-archive    the existing archive <name> is damaged (or no archive at all); it was
 *                      left as it is
 *   self-extracting    LZH: the existing archive <name> is a self-extracting one, which would
 *                      lose its program if rewritten; it was left as it is
 *   test-failed        the new archive did not pass the test (-test); <name> is the member
 *   size-mismatch      extraction: the member's data does not have its declared size
 *
 * RESULT
 * When anything was left out or not updated ("skipped", "not-updated") and nothing else failed,
 * the call returns
 * ARC_ERROR_INCOMPLETE (32786): the archive was written and put in place (or, for an update
 * with nothing new, left as it was) and holds everything else. Any other failure keeps its own
 * result; the old archive is then untouched. A "raw-name" or "large-member" line alone does
 * not change the result: the file is in the archive.
 *
 * SWITCHES (whole arguments, any letter case; accepted by Unlha and by Zip)
 *   -names:auto   LZH (default): each name in CP932 when it can be written in CP932, else that
 *                 name in UTF-8; each header declares its code page in the code page extended
 *                 header (0x46: 932 or 65001)
 *   -names:utf8   LZH: always UTF-8 (0x46 = 65001). ZIP (default): UTF-8 with the UTF-8 flag
 *   -names:cp932  ZIP: CP932 without the UTF-8 flag when every name fits, else as -names:utf8
 *                 A name that is not valid UTF-8 is stored as its bytes in every mode and
 *                 reported with "raw-name". ZIP: without the flag. LZH: declared as 932 when the
 *                 bytes read as CP932, else as 437 (a code page in which every byte is a
 *                 character), so that readers converting names by the declared code page accept
 *                 them.
 *   -test         read the new archive back and test every member before it replaces the old
 *                 one; a failed test fails the call with ARC_ERROR_TEST_FAILED (32787), and the
 *                 old archive stays as it was
 *   -sync         rebuild: the archive is made anew from the given files only (members whose
 *                 files are gone do not stay) and replaces the old one atomically; without it an
 *                 existing archive is updated. Only a file or folder that is there but cannot be
 *                 read keeps its members from the old archive ("not-updated"): dropping them
 *                 would lose the only stored copy. The old archive need not be readable.
 *
 * TEMPORARY FILES
 * A module writes a new archive as ".<archive name>.XXXXXX.qbtmp" (mode 0600) in the work
 * folder or beside the archive, and holds an flock on it while it lives. An extracted file is
 * written as an unnamed file in its folder (O_TMPFILE) and linked under its name when whole; it
 * takes a locked ".<file name>.XXXXXX.qbtmp" name beside its place only to replace a file that
 * is there, or where the file system has no unnamed files. Each packing call first removes the files of
 * that pattern that nobody holds locked (left by calls that died) from the folders it is about
 * to write to, and nothing else; each extracting call does the same in the target folder and in
 * every folder below it that it writes a member to. (A name too long to take the pattern is cut
 * short in the temporary name.)
 */
#ifndef QUILLBOX_ARCHIVER_OUTPUT_H
#define QUILLBOX_ARCHIVER_OUTPUT_H

#define ARC_LINE_SKIPPED "skipped "
#define ARC_LINE_RAW_NAME "raw-name "
#define ARC_LINE_LARGE_MEMBER "large-member "
#define ARC_LINE_NOT_UPDATED "not-updated "
#define ARC_LINE_FAILED "failed "
#define ARC_LINE_OUTPUT_CUT "output-cut "

#define ARC_SWITCH_NAMES_AUTO "-names:auto"
#define ARC_SWITCH_NAMES_UTF8 "-names:utf8"
#define ARC_SWITCH_NAMES_CP932 "-names:cp932"
#define ARC_SWITCH_TEST "-test"
#define ARC_SWITCH_SYNC "-sync"

#endif
