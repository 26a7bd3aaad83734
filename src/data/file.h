// The resource archive and the file layer every loader reads through.
#pragma once

#include <cstdint>
#include <cstdio>

int DAT_Open(const char* path);                                 // 1 on success, 0 on failure
// Why the last DAT_Open (or DAT_OpenStream) that returned 0 refused the archive, e.g.
// "no archive trailer (magic 0x6F6C6C65 where 0xDF73B489 belongs)".
const char* DAT_FailureReason(void);
uint32_t FILE_GetSize(const char* path);                        // 0 if not found
int FILE_Load(const char* path, void* buffer, int maxLength);   // bytes read, 0 if not found
FILE* FILE_OpenBinary(const char* path);                        // null if not found
FILE* FILE_OpenText(const char* path);                          // null if not found
void FILE_Close(FILE* stream);
