"""The functions kronilog.dll may import: each is documented as present in Windows XP (most
since Windows 2000 or earlier), the oldest Windows the shop's guide names. A release whose
DLL imports anything else fails its check until someone has looked the function up: if it
came with a later Windows, the guide's chapter on Windows versions must change with it.

The C runtime is the msvcrt.dll every Windows carries; the functions listed for it are those
its Windows XP version exports (the C library and the runtime's own start-up helpers), not
the later "_s" functions.
"""

KERNEL32 = """
AddVectoredExceptionHandler CloseHandle CompareFileTime CopyFileA CreateDirectoryA
CreateDirectoryW CreateEventA CreateFileA CreateFileMappingA CreateFileW CreateMutexA
CreateSemaphoreA CreateThread DeleteCriticalSection DeleteFileA DeleteFileW DeviceIoControl
DuplicateHandle EnterCriticalSection ExitProcess ExitThread FileTimeToLocalFileTime
FileTimeToSystemTime FindClose FindFirstFileA FindNextFileA FlushFileBuffers FormatMessageA
FreeLibrary GetACP GetCommandLineA GetCurrentDirectoryA GetCurrentProcess GetCurrentProcessId
GetCurrentThread GetCurrentThreadId GetDiskFreeSpaceExA GetDriveTypeA GetEnvironmentVariableA
GetExitCodeThread GetFileAttributesA GetFileAttributesExA GetFileInformationByHandle
GetFileSize GetFileSizeEx GetFileTime GetFileType GetFullPathNameA GetLastError GetLocalTime
GetLocaleInfoA GetModuleFileNameA GetModuleFileNameW GetModuleHandleA GetModuleHandleExA
GetModuleHandleExW GetModuleHandleW GetOEMCP GetProcAddress GetProcessHeap GetStartupInfoA
GetStdHandle GetSystemDirectoryA GetSystemInfo GetSystemTime GetSystemTimeAsFileTime
GetTempFileNameA GetTempPathA GetThreadContext GetTickCount GetTimeZoneInformation GetVersion
GetVersionExA GetWindowsDirectoryA GlobalAlloc GlobalFree HeapAlloc HeapFree HeapReAlloc
HeapSize InitializeCriticalSection InitializeCriticalSectionAndSpinCount
InterlockedCompareExchange InterlockedDecrement InterlockedExchange InterlockedExchangeAdd
InterlockedIncrement IsDBCSLeadByte IsDBCSLeadByteEx IsDebuggerPresent LeaveCriticalSection
LoadLibraryA LoadLibraryW LocalAlloc LocalFree LockFile LockFileEx MapViewOfFile MoveFileA
MoveFileExA MoveFileExW MoveFileW MultiByteToWideChar OutputDebugStringA
QueryPerformanceCounter QueryPerformanceFrequency RaiseException ReadFile ReleaseMutex
ReleaseSemaphore RemoveDirectoryA RemoveVectoredExceptionHandler ResetEvent ResumeThread
RtlUnwind SetCurrentDirectoryA SetEndOfFile SetEvent SetFileAttributesA SetFilePointer
SetFilePointerEx SetFileTime SetLastError SetThreadPriority SetUnhandledExceptionFilter
Sleep SuspendThread SwitchToThread SystemTimeToFileTime TerminateProcess TlsAlloc TlsFree
TlsGetValue TlsSetValue TryEnterCriticalSection UnhandledExceptionFilter UnlockFile
UnlockFileEx UnmapViewOfFile VirtualAlloc VirtualFree VirtualProtect VirtualQuery
WaitForMultipleObjects WaitForSingleObject WideCharToMultiByte WriteFile lstrcatA lstrcmpA
lstrcmpiA lstrcpyA lstrcpynA lstrlenA
"""

USER32 = """
CharLowerA CharLowerBuffA CharToOemA CharToOemBuffA CharUpperA CharUpperBuffA
GetActiveWindow GetDesktopWindow GetForegroundWindow IsCharAlphaA MessageBeep MessageBoxA
MessageBoxExA MessageBoxIndirectA MessageBoxW OemToCharA OemToCharBuffA wsprintfA wsprintfW
wvsprintfA
"""

MSVCRT = """
__dllonexit __getmainargs __mb_cur_max __p__environ __p__fmode __set_app_type
__setusermatherr _access _amsg_exit _assert _beginthreadex _cexit _chsize _close _commit
_endthreadex _errno _exit _fdopen _filelength _fileno _findclose _findfirst _findnext
_flushall _fmode _fstat _fstat64 _ftime _ftime64 _get_osfhandle _getcwd _gmtime64 _initterm
_iob _isatty _localtime64 _lock _lseek _lseeki64 _mkdir _mktime64 _onexit _open
_open_osfhandle _read _rmdir _setjmp _setmode _snprintf _snwprintf _stat _stat64 _strdup
_stricmp _strnicmp _strlwr _strupr _time64 _tzset _ultoa _ltoa _itoa _i64toa _ui64toa _unlink
_unlock _vsnprintf _vsnwprintf _wcsdup _wfopen _write abort abs atexit atof atoi atol bsearch
calloc clearerr clock ctime difftime div exit fclose feof ferror fflush fgetc fgetpos fgets
fopen fprintf fputc fputs fread free freopen fscanf fseek fsetpos ftell fwrite getc getenv
gmtime isalnum isalpha iscntrl isdigit isgraph islower isprint ispunct isspace isupper
iswalpha iswdigit iswspace isxdigit labs ldiv localeconv localtime longjmp malloc mblen
mbstowcs mbtowc memchr memcmp memcpy memmove memset mktime perror printf putc putchar puts
qsort raise rand realloc remove rename rewind scanf setbuf setlocale setvbuf signal sprintf
srand sscanf strcat strchr strcmp strcoll strcpy strcspn strerror strftime strlen strncat
strncmp strncpy strpbrk strrchr strspn strstr strtod strtok strtol strtoul strxfrm swprintf
time tmpfile tmpnam tolower toupper towlower towupper ungetc vfprintf vprintf vsprintf
wcscat wcschr wcscmp wcscpy wcslen wcsncmp wcsncpy wcsrchr wcstombs wctomb
"""

KNOWN_ON_WINDOWS_XP = {
    "kernel32.dll": set(KERNEL32.split()),
    "user32.dll": set(USER32.split()),
    "msvcrt.dll": set(MSVCRT.split()),
}


def unknown_imports(imports):
    """The imports that are not known to be on Windows XP, as 'DLL!function'; a function
    imported by ordinal ('#n') never is."""
    unknown = []
    for dll, functions in imports.items():
        known = KNOWN_ON_WINDOWS_XP.get(dll.lower(), set())
        unknown += [f"{dll}!{function}" for function in functions if function not in known]
    return unknown
