#pragma once
// kernel32's device I/O for the Linux build: CreateFileW on names in the
// device namespace ("\\?\hid#...", "\\.\vhidflt"), transfers that are
// synchronous or overlapped, control requests, cancellation. The devices are
// those of the simulated machine (kbsim); without it no device exists.
//
// As on Windows, an overlapped transfer without an event in its OVERLAPPED
// signals the file handle when it ends (each new such transfer resets it); one
// with an event signals that event instead.
#include "platform/linux/win32_types.h"

HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
              LPOVERLAPPED lpOverlapped);
BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
               LPOVERLAPPED lpOverlapped);
BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize,
                     LPVOID lpOutBuffer, DWORD nOutBufferSize, LPDWORD lpBytesReturned, LPOVERLAPPED lpOverlapped);
BOOL GetOverlappedResult(HANDLE hFile, LPOVERLAPPED lpOverlapped, LPDWORD lpNumberOfBytesTransferred, BOOL bWait);
BOOL CancelIo(HANDLE hFile);

#define HasOverlappedIoCompleted(lpOverlapped) ((lpOverlapped)->Internal != (ULONG_PTR)STATUS_PENDING)

// Control codes.
#define CTL_CODE(DeviceType, Function, Method, Access) \
  (((DWORD)(DeviceType) << 16) | ((DWORD)(Access) << 14) | ((DWORD)(Function) << 2) | (DWORD)(Method))
#define METHOD_BUFFERED 0u
#define METHOD_IN_DIRECT 1u
#define METHOD_OUT_DIRECT 2u
#define METHOD_NEITHER 3u
#define FILE_ANY_ACCESS 0u
#define FILE_READ_ACCESS 0x0001u
#define FILE_WRITE_ACCESS 0x0002u
#define FILE_DEVICE_KEYBOARD 0x0000000Bu
#define FILE_DEVICE_UNKNOWN 0x00000022u

#define FILE_READ_DATA 0x0001u
#define FILE_WRITE_DATA 0x0002u

#define ERROR_INVALID_USER_BUFFER 1784u
#define ERROR_NO_SUCH_DEVICE 433u
