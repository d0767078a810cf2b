// The open request sent to the vault driver: building its bytes from the key
// area, the container path, the drive letter and the size. Portable.
#pragma once
#include <stddef.h>
#include <stdint.h>
#include "mount/core/driver_protocol.h"

// Length of the container name the driver is given for a path, without its
// terminator: "\??\UNC" + the path without its first backslash for a network
// path, the path itself when it starts with one backslash, "\??\" + the path
// otherwise.
size_t ContainerNameLength(const char *containerPath);

// Writes that name with its terminator; returns its length, or 0 when out
// (outSize bytes) cannot hold it.
size_t ContainerName(const char *containerPath, char *out, size_t outSize);

// Bytes to allocate for the request of a path: the key area, the path and
// room for the longest name form and the padding the driver reads.
size_t OpenRequestAllocationSize(const char *containerPath);

// Puts one key into the key area (KOVDEV_REQ_HEAD_SIZE bytes): algorithm and
// key length fields, the key into the next free slot, key count + 1.
// 0 when the key is not 32 bytes or all slots are taken.
int OpenRequestAddKey(unsigned char *keyArea, const unsigned char *key, size_t keyLength);

// Fills request (requestSize bytes, zero-filled here first) from the key area:
// fixed field 1, volume size sizeMb x 1,048,576, drive letter (upper case),
// container name and its length. Returns the length to send, or 0 when the
// request does not fit or the name is too long.
size_t FillOpenRequest(unsigned char *request, size_t requestSize, const unsigned char *keyArea,
                       const char *containerPath, char driveLetter, uint32_t sizeMb);
