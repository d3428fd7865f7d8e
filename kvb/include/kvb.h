/* kvb.h - the KVB record-file library.
 *
 * Keyed record files (described by a .FID layout; the records of a folder's
 * keyed files in that folder's KVBSTORE.DB, or, for a drive X with
 * KVB_STORE_X, on that PostgreSQL server), transactions across them, text
 * record files, record locks, number editing and pictures, and the
 * chained-start parameter blocks through which one program hands its session
 * to the next.
 *
 * Conventions of every call:
 *  - Numbers are 16-bit signed unless marked. Statuses are 0 for success; a
 *    failure returns a non-zero status and records a secondary code that
 *    KVBerr returns (see kvb/README.md for the table).
 *  - Text arguments are zero-terminated single-byte (Windows-1252) strings
 *    and are never kept by the library.
 *  - A text result is a library-owned zero-terminated string. It stays valid
 *    until the next call of the library on the same thread; the caller copies
 *    it and never frees it. A text result is never NULL.
 *  - No call aborts, prints, or leaves a half-written record.
 */
#ifndef KVB_KVB_H_
#define KVB_KVB_H_

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define KVB_API __attribute__((visibility("default")))
#else
#define KVB_API
#endif

/* The most characters KVBget delivers when it is asked for the whole line
 * (count -1). The caller's buffer must hold count (or this many) bytes plus
 * the terminating zero. */
#define KVB_WHOLE_LINE_MAX 1024

/* Secondary codes (KVBerr): what exactly went wrong. kvb/README.md has the
 * same table with what to do about each. */
#define KVB_ERR_MISSING_FILE 1 /* data file, or a folder on its path, not found */
#define KVB_ERR_UNMAPPED_DRIVE 2 /* X: without KVB_DRIVE_X */
#define KVB_ERR_BAD_NAME 3 /* empty or unusable file name */
#define KVB_ERR_MISSING_LAYOUT 4 /* layout (.FID) file not found */
#define KVB_ERR_MALFORMED_LAYOUT 5 /* layout file does not parse */
#define KVB_ERR_NOT_OURS 6 /* data file is not a keyed record file of this library */
#define KVB_ERR_LAYOUT_MISMATCH 7 /* data file was made with another layout */
#define KVB_ERR_BAD_MODE 8 /* open mode not known for this kind of file */
#define KVB_ERR_FILE_NOT_OPEN 9 /* file number never opened (or already closed) */
#define KVB_ERR_BAD_FILE_NUMBER 10 /* file number 0 or negative where a file is needed */
#define KVB_ERR_NOT_KEYED 11 /* record operation on a text file */
#define KVB_ERR_NOT_TEXT 12 /* line operation on a keyed file */
#define KVB_ERR_WRONG_DIRECTION 13 /* read from a made file, write to a read-only one */
#define KVB_ERR_UNKNOWN_FIELD 14 /* field name not in the layout */
#define KVB_ERR_UNKNOWN_OCCURRENCE 15 /* occurrence beyond the field's count, or negative */
#define KVB_ERR_KEY_TOO_LONG 16 /* key text longer than the key field */
#define KVB_ERR_BLANK_KEY 17 /* write of a record whose key field is blank */
#define KVB_ERR_NO_POSITION 18 /* read or lock before any KVBposn */
#define KVB_ERR_NO_RECORD 19 /* no record at the position */
#define KVB_ERR_LOCKED 20 /* record locked by another open of the file */
#define KVB_ERR_END_OF_FILE 21 /* no further line in a text file */
#define KVB_ERR_IO_ERROR 22 /* the system failed a read, write or sync */
#define KVB_ERR_DISK_FULL 23 /* no space left */
#define KVB_ERR_BUSY 24 /* database held by another process too long */
#define KVB_ERR_BAD_ARGUMENT 25 /* missing (NULL) argument */
#define KVB_ERR_FILE_EXISTS 26 /* make of a keyed file that already exists */
#define KVB_ERR_CTRL_Z_INSIDE 27 /* text file with data after a Ctrl-Z */
#define KVB_ERR_LINE_TOO_LONG 28 /* text line longer than 64 KiB */
#define KVB_ERR_LEAVES_DRIVE 29 /* path whose ".." climbs above its drive's folder */
/* Stores and transactions. */
#define KVB_ERR_OLD_KEYED_FILE 30 /* .DAT still its own database: run kvbtool upgrade */
#define KVB_ERR_SECOND_STORE 31 /* write in a transaction to a second folder's store */
#define KVB_ERR_TRANSACTION_OPEN 32 /* KVBbegin while the base's transaction is open */
#define KVB_ERR_NO_TRANSACTION 33 /* commit or rollback without KVBbegin */
#define KVB_ERR_NO_STORE_TABLE 34 /* .DAT whose records are not in the folder's store */
#define KVB_ERR_STORE_IN_TRANSACTION 35 /* write to a store held by the transaction of another base of this process */
#define KVB_ERR_TRANSACTION_UNDONE 36 /* a write of the transaction failed: all undone */
#define KVB_ERR_TABLE_HAS_RECORDS 37 /* make or upgrade of a file whose records the store holds already */
/* Files again. */
#define KVB_ERR_PERMISSION_DENIED 40 /* the system refused access to a file or folder */
#define KVB_ERR_DAMAGED_STORE 41 /* KVBSTORE.DB is not a sound SQLite database */
/* The PostgreSQL store and where a store may live. */
#define KVB_ERR_CONNECTION_LOST 50 /* connection to the record server lost */
#define KVB_ERR_SERVER_UNREACHABLE 51 /* no record server answers at the address */
#define KVB_ERR_LOGIN_REFUSED 52 /* the server answered but refused the login */
#define KVB_ERR_BAD_STORE_SETTING 53 /* KVB_STORE_X is not a usable connection string */
#define KVB_ERR_NETWORK_FILESYSTEM 54 /* an SQLite store on a network filesystem: use the PostgreSQL store */
#define KVB_ERR_SERVER_TIMEOUT 55 /* the record server did not answer in time */
#define KVB_ERR_COMMIT_UNKNOWN 56 /* connection lost during KVBcommit: stored or not, unknown */

/* The flags a caller passes to position, read and write keyed records. */
#define KVB_POSN_ON_KEY 256      /* KVBposn: on the key itself (the one way this library positions) */
#define KVB_READ_AT_POSITION 512 /* KVBread: load the keyed record at the position */
#define KVB_READ_CURRENT 0       /* KVBread on a text file: keep the current record */
#define KVB_WRITE_KEYED 512      /* KVBwrite: store the keyed record under its key field */

/* ---- Library and file numbers ------------------------------------------ */

/* KVBinit(0) starts a session and returns its non-zero file-number base.
 * KVBinit(base) closes every file opened under that base and returns 0. */
KVB_API int16_t KVBinit(int16_t base);

/* Opens a data file under a file number. layout is the .FID layout for a
 * keyed file, or empty for a text record file. mode 1 reads a text file,
 * mode 3 opens a keyed file for reading and writing. text and flag are
 * accepted and ignored. A number still in use is closed first. */
KVB_API int16_t KVBopen(const char* data_file, const char* layout, const char* text,
                        int16_t file, int16_t mode, int16_t flag);

/* Makes (or replaces) a text record file under a file number; the content is
 * written by KVBput + KVBwrite and replaces the old file atomically on
 * KVBclose. */
KVB_API int16_t KVBmake(const char* data_file, const char* layout, const char* text,
                        int16_t file, int16_t mode, int16_t flag);

KVB_API int16_t KVBclose(int16_t file);
KVB_API int16_t KVBcloseall(int16_t base);
KVB_API int16_t KVBhost(int16_t base, const char* network_type);
/* With on non-zero, every KVBwrite is durable when it returns. */
KVB_API void KVBautosecure(int16_t on);
/* Secondary code of the last failure of this thread. */
KVB_API int16_t KVBerr(int16_t base);
/* The cause of the last failure of this thread in plain words, one line, as
 * the store or the system gave it, with the file or folder it is about where
 * there is one ("KVBSTORE.DB in /srv/F/DLR: database or disk is full";
 * "FATAL: role \"sales\" does not exist"); "" when the failure has none (a
 * failure the library itself found, such as a record not there) or before
 * any failure. It belongs to the failure KVBerr reports and is replaced by
 * the next one. The text is in the words of SQLite, PostgreSQL or the
 * system, so its language may differ from KVBerrtext's. */
KVB_API const char* KVBerrcause(int16_t base);

/* ---- Transactions ------------------------------------------------------- */

/* A transaction of a file-number base takes in every KVBwrite to the keyed
 * files numbered base .. base+255 from KVBbegin(base) to KVBcommit(base) or
 * KVBrollback(base).
 *  - Its writes are visible to this process at once (through any file of the
 *    folder) and invisible to other processes until KVBcommit, which stores
 *    them all at once; with KVBautosecure on, they are on disk (one sync)
 *    when KVBcommit returns. A process that dies before KVBcommit leaves none
 *    of them.
 *  - All its writes must go to keyed files of one folder: a write to a second
 *    folder's files is refused (code 31) and the transaction goes on.
 *  - A write that fails in the store undoes the whole transaction: later
 *    writes and KVBcommit fail with code 36; KVBrollback ends it.
 *  - KVBrollback discards its writes. Closing a keyed file under the base
 *    (KVBclose, KVBcloseall, KVBinit(base), opening under its number) rolls
 *    it back and ends it.
 *  - KVBbegin waits for no one. The first read or write of a keyed file
 *    under the base starts the store's transaction: it waits (up to the busy
 *    time) for a transaction of another process on the same files to end,
 *    and from then on a record read and written back in the transaction
 *    cannot be changed by another process in between (SQLite: the store's
 *    write lock; PostgreSQL: the row's lock, taken by the read). A read of a
 *    file of another store than the transaction's is an ordinary read. A
 *    failed read that undid the store's transaction (a PostgreSQL server
 *    refuses every later command of a transaction that failed) undoes it as
 *    a failed write does.
 *  - Only one transaction at a time for a base (code 32); KVBcommit and
 *    KVBrollback without one fail with code 33. While a transaction has
 *    written to a folder's files, writes to them from files of another base
 *    of this process fail with code 35.
 * Outside a transaction every KVBwrite is its own commit. Record locks are
 * not affected by transactions, except that on a PostgreSQL store a lock
 * let go inside one is released at its end (see below). */
KVB_API int16_t KVBbegin(int16_t base);
KVB_API int16_t KVBcommit(int16_t base);
KVB_API int16_t KVBrollback(int16_t base);

/* ---- Round trips to a record server ------------------------------------- */

/* On a PostgreSQL store each read is a round trip to the server, so a
 * transaction that reads n records waits for the server n times. Inside a
 * transaction the library saves what it can by itself: the BEGIN goes out
 * with the first read, a KVBwrite (and a release of a record lock) goes out
 * at once without waiting for its answer, which comes back with the next
 * read or KVBcommit. A failure of such a write is reported there, with the
 * write's own code and a cause that says so ("an earlier write of this
 * transaction failed: ..."), and the transaction is undone as for a write
 * that failed at once. A record lock let go inside a transaction
 * (positioning elsewhere, locking another key, closing) after its first
 * read or write is released on the server when the transaction ends: another
 * process cannot take it before then.
 *
 * KVBprefetch names a record the open transaction of the file's base will
 * read, so that the store fetches it together with the transaction's next
 * read: KVBread of that key later in the transaction then needs no round
 * trip of its own. The record is fetched inside the transaction under the
 * row lock of a record read to be written back, so it cannot change before
 * the KVBread; a key with no record then reads as absent as at the moment of
 * the fetch. A KVBwrite or KVBdelete of the key in the transaction drops
 * what was fetched. Naming a key changes no result of any call, and neither
 * the position nor the record lock of the file. Outside a transaction, for a
 * file of another store than the transaction's, or on an SQLite store (whose
 * reads are no round trips) it does nothing. On a server store it starts the
 * store's transaction as a first read would. Fails for a file number not
 * open, a text file, or a key longer than the key field. */
KVB_API int16_t KVBprefetch(int16_t file, const char* key);
/* The round trips this process has made to record servers so far: each time
 * it sent something and waited for the answer. For measuring a program's
 * cost at a distance from its server; 0 in a process without one. */
KVB_API int32_t KVBroundtrips(void);

/* ---- Records ------------------------------------------------------------ */

/* Sets the position of a keyed file to key (a key with no record is still a
 * position). direction, index and flag are accepted and ignored. */
KVB_API int16_t KVBposn(int16_t file, const char* key, int16_t direction, const char* index,
                        int16_t flag);
/* option 512 on a keyed file: loads the record at the position, or fails when
 * there is none. option 0 on a text file: keeps the current record. */
KVB_API int16_t KVBread(int16_t file, int16_t option);
KVB_API int16_t KVBrclear(int16_t file);
/* Copies every field whose name both layouts have, occurrence by occurrence,
 * from the source's buffer into the destination's buffer. */
KVB_API int16_t KVBcopy(int16_t source, int16_t destination);
/* Locks the positioned key against every other open of the file. */
KVB_API int16_t KVBrlock(int16_t file);
/* Deletes the record at the position of a keyed file (fails with code 19
 * when there is none); inside a transaction of its base, as part of it. */
KVB_API int16_t KVBdelete(int16_t file);
/* Keyed file: stores the buffer under the key held in its key field.
 * Text file: ends the pending line. */
KVB_API int16_t KVBwrite(int16_t file, int16_t count, int16_t option);
/* Text file: places text into the pending line (width -1: as it is). */
KVB_API int16_t KVBput(const char* text, int16_t file, int16_t width);
/* Text file: delivers the next line into buffer, at most *count characters
 * (-1: the whole line, up to KVB_WHOLE_LINE_MAX), zero-terminated; *count
 * comes back as the number delivered. Fails at the end of the file, and
 * differently on a damaged text file or a failing read (see kvb/README.md). */
KVB_API int16_t KVBget(char* buffer, int16_t file, int16_t* count);

/* ---- Fields ------------------------------------------------------------- */

/* Sets a field of the buffer, cut or padded to the field's width. Occurrence
 * 0 of a repeating field addresses occurrence 1. An unknown field or
 * occurrence is ignored (non-zero status). */
KVB_API int16_t KVBfput(const char* value, const char* field, int16_t file, int16_t occurrence,
                        int16_t flag);
/* The field's value, padded to its width; unknown fields give "". */
KVB_API const char* KVBfiditemstub(const char* field, int16_t file, int16_t occurrence);

/* ---- Numbers and texts -------------------------------------------------- */

KVB_API const char* KVBroundstub(const char* number, int16_t places);
/* Edits a number by a picture; "" when it does not fit. currency is the
 * currency symbol, in and out (rewritten in place at the same length). */
KVB_API const char* KVBedit(const char* number, const char* picture, char* currency);
KVB_API const char* KVBunedit(const char* edited);
KVB_API const char* KVBpicture(const char* text, const char* picture, int32_t* flag);
/* Align text within its own length; pad is a text whose first character is
 * the pad character (a blank when empty). */
KVB_API const char* KVBljust(const char* text, const char* pad);
KVB_API const char* KVBcenter(const char* text, const char* pad);
KVB_API const char* KVBrjust(const char* text, const char* pad);
KVB_API const char* KVBdateform(const char* format);

/* ---- Chained start ------------------------------------------------------ */

/* Stores parameter index (0..47) of the block under handle. */
KVB_API int16_t KVBdataput(int16_t handle, int16_t index, const char* text);
/* Parameter index of the block under handle; "" when absent. */
KVB_API const char* KVBdataget(int16_t handle, int16_t index);
/* Rewrites network_type in place at the same length. */
KVB_API void KVBgetfiles(int16_t handle, char* network_type);
KVB_API void KVBdatafree(int16_t handle);

/* ---- Paths -------------------------------------------------------------- */

/* 1 when name resolves (drive map, case-insensitive components) to an
 * existing regular file that is not hidden; else 0. */
KVB_API int16_t KVBfileexists(const char* name);

/* ---- Messages ----------------------------------------------------------- */

/* The secondary code in plain words, one line ("disk full"); for codes this
 * library never records, "failure". */
KVB_API const char* KVBerrtext(int16_t code);
/* The host path that name resolves to through the drive map (the file need
 * not exist); "" when it cannot be resolved (an unmapped drive, say). */
KVB_API const char* KVBhostpath(const char* name);

#ifdef __cplusplus
}
#endif

#endif /* KVB_KVB_H_ */
