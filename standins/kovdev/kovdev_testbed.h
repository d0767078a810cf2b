// Extra control codes of the stand-in vault driver, used only by the test bed.
// Wine answers the volume lock codes itself, so the test bed's volume shim
// forwards them to the driver under these codes; the driver then decides as a
// file system would (a volume with open files refuses the lock).
#pragma once
#include <stdint.h>

#define KOVDEV_IOCTL_VOLUME_LOCK 0x8000e080u      // as FSCTL_LOCK_VOLUME
#define KOVDEV_IOCTL_VOLUME_UNLOCK 0x8000e084u    // as FSCTL_UNLOCK_VOLUME
#define KOVDEV_IOCTL_VOLUME_DISMOUNT 0x8000e088u  // as FSCTL_DISMOUNT_VOLUME
#define KOVDEV_IOCTL_SET_OPEN_FILES 0x8000e08cu   // in: uint32 count of files held open on the volume
#define KOVDEV_IOCTL_REFUSE_DISMOUNTS 0x8000e094u  // in: uint32 count of the next dismounts to refuse
#define KOVDEV_IOCTL_INSPECT 0x80006090u          // out: KovdevInspect

// The volume codes as the system defines them (FSCTL_LOCK_VOLUME,
// FSCTL_UNLOCK_VOLUME, FSCTL_DISMOUNT_VOLUME).
#define KOVDEV_FSCTL_LOCK_VOLUME 0x00090018u
#define KOVDEV_FSCTL_UNLOCK_VOLUME 0x0009001cu
#define KOVDEV_FSCTL_DISMOUNT_VOLUME 0x00090020u

// The driver code a volume code travels under, 0 for any other code.
static inline uint32_t KovdevForwardedVolumeCode(uint32_t fileSystemCode) {
    switch (fileSystemCode) {
        case KOVDEV_FSCTL_LOCK_VOLUME:
            return KOVDEV_IOCTL_VOLUME_LOCK;
        case KOVDEV_FSCTL_UNLOCK_VOLUME:
            return KOVDEV_IOCTL_VOLUME_UNLOCK;
        case KOVDEV_FSCTL_DISMOUNT_VOLUME:
            return KOVDEV_IOCTL_VOLUME_DISMOUNT;
    }
    return 0;
}

// What the driver reports about itself to tests.
typedef struct KovdevInspect {
    uint32_t vaultOpen;    // 1 while a container is open
    uint32_t locked;       // 1 between a volume lock and its unlock
    uint32_t dismounted;   // 1 after a dismount, until the next open
    uint32_t openFiles;    // as set by KOVDEV_IOCTL_SET_OPEN_FILES
    uint32_t keyIsZero;    // 1 when no key material is held
    uint32_t opens;        // successful opens since the driver started
    uint64_t volumeBytes;  // size of the open volume
    char letter;           // drive letter of the open volume, 0 when none
    char reserved[7];
} KovdevInspect;
