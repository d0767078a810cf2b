// Control codes, device names and record layouts shared by the vault manager
// and the vault driver. Portable: no windows.h, fixed-width types only.
#pragma once
#include <stdint.h>

// Multi-byte fields are little-endian: LoadLe16, StoreLe64 and the rest.
#include "crypto/core/byte_order.h"

// All codes are METHOD_BUFFERED codes of device type 0x8000.
#define KOVDEV_IOCTL_STATUS 0x80006020u   // control device, read access; out: status record
#define KOVDEV_IOCTL_OPEN 0x8000e000u     // drive device, read+write; in: open request
#define KOVDEV_IOCTL_MOUNTED 0x80006048u  // drive device, read+write; out: mounted-volume record
#define KOVDEV_IOCTL_RELEASE 0x8000e010u  // drive device, read+write; none

// Device names, index 00. The printf forms take the index.
#define KOVDEV_CONTROL_DEVICE_FORMAT "\\\\.\\Kovdev%2.2d"
#define KOVDEV_KERNEL_DEVICE_FORMAT "\\Device\\Kovdev%2.2d"
#define KOVDEV_CONTROL_DEVICE_NAME "\\\\.\\Kovdev00"
#define KOVDEV_KERNEL_DEVICE_NAME "\\Device\\Kovdev00"

// Status record: only the first byte is meaningful.
#define KOVDEV_STATUS_SIZE 261u
#define KOVDEV_STATUS_IN_USE 1u

// Mounted-volume record.
#define KOVDEV_MOUNTED_SIZE 2340u
#define KOVDEV_MOUNTED_LETTER_OFFSET 2074u

// Open request (little-endian).
#define KOVDEV_REQ_FIXED_OFFSET 0u         // 16-bit, always 1
#define KOVDEV_REQ_SIZE_OFFSET 8u          // 64-bit volume size in bytes
#define KOVDEV_REQ_ALGORITHM_OFFSET 18u    // 16-bit
#define KOVDEV_REQ_KEY_COUNT_OFFSET 20u    // 16-bit
#define KOVDEV_REQ_KEY_LENGTH_OFFSET 22u   // 16-bit
#define KOVDEV_REQ_NAME_LENGTH_OFFSET 24u  // 16-bit, without terminator
#define KOVDEV_REQ_KEYS_OFFSET 26u         // 64 slots of 32 bytes
#define KOVDEV_REQ_KEY_SLOTS 64u
#define KOVDEV_REQ_KEY_SLOT_SIZE 32u
#define KOVDEV_REQ_LETTER_OFFSET 2074u
#define KOVDEV_REQ_NAME_OFFSET 2075u
#define KOVDEV_REQ_HEAD_SIZE 2080u  // the fixed part the key loading fills
#define KOVDEV_REQ_SENT_BASE 2079u  // sent length = this + name length
#define KOVDEV_REQ_SPARE_BYTES 7u   // allocation = head + name + spare

#define KOVDEV_ALGORITHM_AES256 2u
#define KOVDEV_AES256_KEY_LENGTH 32u

#define KOVDEV_SECTOR_SIZE 512u
