/* fbclient.dll for the Windows tests under Wine: a Wine builtin library that
 * hands the Firebird client calls of the Windows programs to the Linux client
 * (libfbclient.so.2), so that they read real databases. Never shipped.
 *
 * It behaves as a Windows client does where the programs can tell:
 *   - the database name arrives in the ANSI code page (1251 on a Russian
 *     desktop) unless the parameter block carries isc_dpb_utf8_filename, in
 *     which case it is UTF-8;
 *   - a local name is a Windows path ("C:\Статистика\kvel.gdb"), found where
 *     Wine keeps that drive; a server name ("host/port:path") goes as it is;
 *   - the texts of fb_interpret come in the ANSI code page.
 *
 * ibase.h is not included: winegcc compiles for Windows, and the Linux
 * client's types are spelt out below. Both sides agree on them: the status
 * is pointer-sized, handles are 32-bit on 64-bit systems and pointers on
 * 32-bit ones, and the SQL descriptors hold no "long". */

#include <stdarg.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <dlfcn.h>

#include <windef.h>
#include <winbase.h>
#include <winnls.h>

typedef intptr_t Status;
#if defined(__x86_64__)
typedef unsigned int Handle;
#else
typedef void* Handle;
#endif

/* The Linux client's transaction block, one per database. */
struct TransactionBlock {
    Handle* database;
    int parameterLength;
    const char* parameters;
};

enum { kDpbVersion1 = 1, kDpbUtf8FileName = 77, kMaximumDatabases = 16 };

static void* linuxClient;

#define LINUX_CALL(name, result, arguments) \
    typedef result(*name##_call) arguments; \
    static name##_call linux_##name;
LINUX_CALL(isc_attach_database, Status, (Status*, short, const char*, Handle*, short, const char*))
LINUX_CALL(isc_detach_database, Status, (Status*, Handle*))
LINUX_CALL(isc_start_multiple, Status, (Status*, Handle*, short, void*))
LINUX_CALL(isc_commit_transaction, Status, (Status*, Handle*))
LINUX_CALL(isc_rollback_transaction, Status, (Status*, Handle*))
LINUX_CALL(isc_dsql_allocate_statement, Status, (Status*, Handle*, Handle*))
LINUX_CALL(isc_dsql_prepare, Status, (Status*, Handle*, Handle*, unsigned short, const char*, unsigned short, void*))
LINUX_CALL(isc_dsql_describe, Status, (Status*, Handle*, unsigned short, void*))
LINUX_CALL(isc_dsql_describe_bind, Status, (Status*, Handle*, unsigned short, void*))
LINUX_CALL(isc_dsql_execute, Status, (Status*, Handle*, Handle*, unsigned short, const void*))
LINUX_CALL(isc_dsql_fetch, Status, (Status*, Handle*, unsigned short, const void*))
LINUX_CALL(isc_dsql_free_statement, Status, (Status*, Handle*, unsigned short))
LINUX_CALL(fb_interpret, int, (char*, unsigned int, const Status**))

#define RESOLVE(name) \
    if (!(linux_##name = (name##_call)dlsym(linuxClient, #name))) return FALSE;

static BOOL OpenLinuxClient(void) {
    linuxClient = dlopen("libfbclient.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!linuxClient) return FALSE;
    RESOLVE(isc_attach_database)
    RESOLVE(isc_detach_database)
    RESOLVE(isc_start_multiple)
    RESOLVE(isc_commit_transaction)
    RESOLVE(isc_rollback_transaction)
    RESOLVE(isc_dsql_allocate_statement)
    RESOLVE(isc_dsql_prepare)
    RESOLVE(isc_dsql_describe)
    RESOLVE(isc_dsql_describe_bind)
    RESOLVE(isc_dsql_execute)
    RESOLVE(isc_dsql_fetch)
    RESOLVE(isc_dsql_free_statement)
    RESOLVE(fb_interpret)
    return TRUE;
}

/* Without the Linux client the library does not load at all, as a Windows
 * client without its own dependencies would not. */
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* reserved) {
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) return OpenLinuxClient();
    return TRUE;
}

static BOOL HasUtf8FileName(short length, const unsigned char* dpb) {
    short at = 1;
    if (length < 1 || dpb[0] != kDpbVersion1) return FALSE;
    while (at + 1 < length) {
        if (dpb[at] == kDpbUtf8FileName) return TRUE;
        at += 2 + dpb[at + 1];
    }
    return at < length && dpb[at] == kDpbUtf8FileName;
}

static BOOL IsDrivePath(const WCHAR* name) {
    return ((name[0] >= L'A' && name[0] <= L'Z') || (name[0] >= L'a' && name[0] <= L'z')) && name[1] == L':' &&
           (name[2] == L'\\' || name[2] == L'/');
}

/* A drive path as the Linux client takes it: the drive's folder (Wine's path
 * of it goes through the "dosdevices/c:" link, and the client would read its
 * colon as the end of a server's name) and the rest of the name, which need
 * not exist. Null when the drive is none of Wine's. */
static char* UnixDrivePath(const WCHAR* name) {
    WCHAR drive[4] = {name[0], L':', L'\\', 0};
    char* driveName = wine_get_unix_file_name(drive);
    char* driveFolder;
    char* result;
    int restLength;
    size_t folderLength, i;
    if (!driveName) return NULL;
    driveFolder = realpath(driveName, NULL);
    HeapFree(GetProcessHeap(), 0, driveName);
    if (!driveFolder) return NULL;
    folderLength = strlen(driveFolder);
    restLength = WideCharToMultiByte(CP_UTF8, 0, name + 3, -1, NULL, 0, NULL, NULL);
    result = HeapAlloc(GetProcessHeap(), 0, folderLength + 1 + restLength);
    strcpy(result, driveFolder);
    free(driveFolder);
    if (folderLength == 0 || result[folderLength - 1] != '/') result[folderLength++] = '/';
    WideCharToMultiByte(CP_UTF8, 0, name + 3, -1, result + folderLength, restLength, NULL, NULL);
    for (i = folderLength; result[i]; ++i)
        if (result[i] == '\\') result[i] = '/';
    return result;
}

/* The name as the Linux client takes it: UTF-8, a drive path turned into the
 * Unix path behind it. Null when the name cannot be read in its code page. */
static char* LinuxName(const char* name, UINT codePage) {
    int wideLength = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, name, -1, NULL, 0);
    WCHAR* wide;
    char* result = NULL;
    if (wideLength <= 0) return NULL;
    wide = HeapAlloc(GetProcessHeap(), 0, wideLength * sizeof(WCHAR));
    MultiByteToWideChar(codePage, 0, name, -1, wide, wideLength);
    if (IsDrivePath(wide)) result = UnixDrivePath(wide);
    if (!result) {
        int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, NULL, 0, NULL, NULL);
        result = HeapAlloc(GetProcessHeap(), 0, length);
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, result, length, NULL, NULL);
    }
    HeapFree(GetProcessHeap(), 0, wide);
    return result;
}

Status WINAPI isc_attach_database(Status* status, short nameLength, const char* name, Handle* database, short dpbLength,
                                  const char* dpb) {
    /* A length of 0 means a zero-terminated name. */
    size_t length = nameLength > 0 ? (size_t)nameLength : strlen(name);
    char* copy = HeapAlloc(GetProcessHeap(), 0, length + 1);
    char* linuxName;
    Status result;
    memcpy(copy, name, length);
    copy[length] = '\0';
    linuxName = LinuxName(copy, HasUtf8FileName(dpbLength, (const unsigned char*)dpb) ? CP_UTF8 : CP_ACP);
    HeapFree(GetProcessHeap(), 0, copy);
    if (!linuxName) linuxName = LinuxName("", CP_ACP);
    result = linux_isc_attach_database(status, 0, linuxName, database, dpbLength, dpb);
    HeapFree(GetProcessHeap(), 0, linuxName);
    return result;
}

Status WINAPI isc_detach_database(Status* status, Handle* database) {
    return linux_isc_detach_database(status, database);
}

Status WINAPI isc_start_multiple(Status* status, Handle* transaction, short count, void* blocks) {
    return linux_isc_start_multiple(status, transaction, count, blocks);
}

/* Each database comes as three arguments: its handle, the length of its
 * transaction parameters and the parameters. */
Status CDECL isc_start_transaction(Status* status, Handle* transaction, short count, ...) {
    struct TransactionBlock blocks[kMaximumDatabases];
    __ms_va_list arguments;
    short i;
    if (count < 0 || count > kMaximumDatabases) count = kMaximumDatabases;
    __ms_va_start(arguments, count);
    for (i = 0; i < count; ++i) {
        blocks[i].database = va_arg(arguments, Handle*);
        blocks[i].parameterLength = va_arg(arguments, int);
        blocks[i].parameters = va_arg(arguments, const char*);
    }
    __ms_va_end(arguments);
    return linux_isc_start_multiple(status, transaction, count, blocks);
}

Status WINAPI isc_commit_transaction(Status* status, Handle* transaction) {
    return linux_isc_commit_transaction(status, transaction);
}

Status WINAPI isc_rollback_transaction(Status* status, Handle* transaction) {
    return linux_isc_rollback_transaction(status, transaction);
}

Status WINAPI isc_dsql_allocate_statement(Status* status, Handle* database, Handle* statement) {
    return linux_isc_dsql_allocate_statement(status, database, statement);
}

Status WINAPI isc_dsql_prepare(Status* status, Handle* transaction, Handle* statement, unsigned short length,
                               const char* text, unsigned short dialect, void* descriptor) {
    return linux_isc_dsql_prepare(status, transaction, statement, length, text, dialect, descriptor);
}

Status WINAPI isc_dsql_describe(Status* status, Handle* statement, unsigned short version, void* descriptor) {
    return linux_isc_dsql_describe(status, statement, version, descriptor);
}

Status WINAPI isc_dsql_describe_bind(Status* status, Handle* statement, unsigned short version, void* descriptor) {
    return linux_isc_dsql_describe_bind(status, statement, version, descriptor);
}

Status WINAPI isc_dsql_execute(Status* status, Handle* transaction, Handle* statement, unsigned short version,
                               const void* descriptor) {
    return linux_isc_dsql_execute(status, transaction, statement, version, descriptor);
}

Status WINAPI isc_dsql_fetch(Status* status, Handle* statement, unsigned short version, const void* descriptor) {
    return linux_isc_dsql_fetch(status, statement, version, descriptor);
}

Status WINAPI isc_dsql_free_statement(Status* status, Handle* statement, unsigned short option) {
    return linux_isc_dsql_free_statement(status, statement, option);
}

/* The Linux client writes UTF-8 (a system error's text comes from the C
 * library in the user's language); a Windows client writes the ANSI code
 * page. A text that is not UTF-8 stays as it is. */
int WINAPI fb_interpret(char* buffer, unsigned int size, const Status** vector) {
    int length = linux_fb_interpret(buffer, size, vector);
    int wideLength;
    WCHAR* wide;
    if (length <= 0) return length;
    wideLength = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, buffer, -1, NULL, 0);
    if (wideLength <= 0) return length;
    wide = HeapAlloc(GetProcessHeap(), 0, wideLength * sizeof(WCHAR));
    MultiByteToWideChar(CP_UTF8, 0, buffer, -1, wide, wideLength);
    WideCharToMultiByte(CP_ACP, 0, wide, -1, buffer, (int)size, NULL, NULL);
    buffer[size - 1] = '\0';
    HeapFree(GetProcessHeap(), 0, wide);
    return (int)strlen(buffer);
}
