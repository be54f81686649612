// The Win32 calls the plug-in makes. On Windows these are the system's own; elsewhere the
// platform library supplies them, written from what the plug-in expects of them.
#pragma once

#if defined(_WIN32)
#include <windows.h>
#else
#include <cstddef>
#include <cstdint>

typedef void* HMODULE;
typedef HMODULE HINSTANCE;
typedef void* HWND;
typedef void* LPVOID;
typedef int BOOL;
typedef std::uint32_t DWORD;
typedef unsigned int UINT;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef int (*FARPROC)();
typedef void* HANDLE;

#define WINAPI
#define TRUE 1
#define FALSE 0

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

#define MB_OK 0x0000
#define MB_ABORTRETRYIGNORE 0x0002
#define MB_ICONHAND 0x0010
#define MB_ICONSTOP MB_ICONHAND
#define MB_TASKMODAL 0x2000
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define CREATE_NEW 1
#define OPEN_ALWAYS 4
#define MOVEFILE_REPLACE_EXISTING 0x1
#define FILE_ATTRIBUTE_NORMAL 0x80
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_PATH_NOT_FOUND 3
#define ERROR_ACCESS_DENIED 5
#define ERROR_GEN_FAILURE 31
#define ERROR_SHARING_VIOLATION 32
#define ERROR_FILE_EXISTS 80
#define ERROR_INVALID_PARAMETER 87
#define ERROR_ALREADY_EXISTS 183

#define MAKEINTRESOURCEA(i) (reinterpret_cast<LPSTR>(static_cast<std::uintptr_t>(static_cast<unsigned short>(i))))
#define IS_INTRESOURCE(p) ((reinterpret_cast<std::uintptr_t>(p) >> 16) == 0)

extern "C" {
HMODULE GetModuleHandleA(LPCSTR moduleName);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
int wsprintfA(LPSTR buffer, LPCSTR format, ...);
LPSTR lstrcpyA(LPSTR destination, LPCSTR source);
void Sleep(DWORD milliseconds);
BOOL CreateDirectoryA(LPCSTR path, LPVOID securityAttributes);
HMODULE LoadLibraryA(LPCSTR fileName);
BOOL FreeLibrary(HMODULE module);
DWORD GetLastError();
void SetLastError(DWORD error);
HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD shareMode, LPVOID securityAttributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
BOOL CloseHandle(HANDLE handle);
BOOL MoveFileExA(LPCSTR existingName, LPCSTR newName, DWORD flags);
}
#endif
