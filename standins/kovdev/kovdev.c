/* Stand-in vault driver: one disk device \Device\Kovdev00 that serves one
   container file at a time, its sectors stored AES-256 with the sector
   chaining of the crypto core and the sector number as counter. */
#include <ntifs.h>
#include <ntdddisk.h>
#include "crypto/core/secure_wipe.h"
#include "mount/core/driver_protocol.h"
#include "kovdev_testbed.h"
#include "kovdev_crypto.h"
#include "request_check.h"

/* Without a C runtime the compiler's own calls to these must resolve here. */
void *memcpy(void *dst, const void *src, size_t n) {
    unsigned char *d = (unsigned char *)dst;
    const unsigned char *s = (const unsigned char *)src;
    while (n--) *d++ = *s++;
    return dst;
}
void *memset(void *dst, int value, size_t n) {
    unsigned char *d = (unsigned char *)dst;
    while (n--) *d++ = (unsigned char)value;
    return dst;
}
void *memmove(void *dst, const void *src, size_t n) {
    unsigned char *d = (unsigned char *)dst;
    const unsigned char *s = (const unsigned char *)src;
    if (d < s) {
        while (n--) *d++ = *s++;
    } else {
        while (n--) d[n] = s[n];
    }
    return dst;
}
int memcmp(const void *a, const void *b, size_t n) {
    const unsigned char *x = (const unsigned char *)a, *y = (const unsigned char *)b;
    for (; n; --n, ++x, ++y)
        if (*x != *y) return *x < *y ? -1 : 1;
    return 0;
}

#define POOL_TAG 0x766f644bu /* "Kdov" */
#define CHUNK (64u * 1024u)  /* bytes moved to or from the container per step */
#define KEPT_NAME_SIZE (KOVDEV_MOUNTED_SIZE - KOVDEV_REQ_NAME_OFFSET)

typedef struct Volume {
    KMUTEX lock;
    BOOLEAN open;
    BOOLEAN locked;
    BOOLEAN dismounted;
    ULONG openFiles;
    ULONG refusedDismounts; /* dismounts still to refuse, as a failing file system would */
    ULONG opens;
    HANDLE file;
    ULONGLONG bytes;
    KovdevCipher cipher;
    unsigned char key[KOVDEV_AES256_KEY_LENGTH];
    unsigned char head[KOVDEV_REQ_NAME_OFFSET]; /* request head, key slots wiped */
    char name[KEPT_NAME_SIZE];
    char letter;
} Volume;

static Volume g_volume;
static PDEVICE_OBJECT g_device;

static void Acquire(void) { KeWaitForSingleObject(&g_volume.lock, Executive, KernelMode, FALSE, NULL); }
static void Release(void) { KeReleaseMutex(&g_volume.lock, FALSE); }

static void CloseVolume(void) {
    if (g_volume.file) ZwClose(g_volume.file);
    g_volume.file = NULL;
    g_volume.open = FALSE;
    g_volume.openFiles = 0; /* the lock stays until its unlock */
    g_volume.bytes = 0;
    g_volume.letter = 0;
    SecureWipe(&g_volume.cipher, sizeof g_volume.cipher);
    SecureWipe(g_volume.key, sizeof g_volume.key);
    SecureWipe(g_volume.head, sizeof g_volume.head);
    SecureWipe(g_volume.name, sizeof g_volume.name);
}

static ULONG KeyIsZero(void) {
    unsigned char any = 0;
    const unsigned char *cipher = (const unsigned char *)&g_volume.cipher;
    unsigned i;
    for (i = 0; i < sizeof g_volume.key; ++i) any |= g_volume.key[i];
    for (i = 0; i < sizeof g_volume.cipher; ++i) any |= cipher[i];
    return any == 0;
}

static NTSTATUS OpenContainer(const char *name, ULONGLONG bytes, HANDLE *file) {
    ANSI_STRING ansi;
    UNICODE_STRING wide;
    OBJECT_ATTRIBUTES attributes;
    IO_STATUS_BLOCK io;
    NTSTATUS status;

    RtlInitAnsiString(&ansi, name);
    status = RtlAnsiStringToUnicodeString(&wide, &ansi, TRUE);
    if (!NT_SUCCESS(status)) return status;
    InitializeObjectAttributes(&attributes, &wide, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    status =
        ZwCreateFile(file, GENERIC_READ | GENERIC_WRITE | SYNCHRONIZE, &attributes, &io, NULL, FILE_ATTRIBUTE_NORMAL, 0,
                     FILE_OPEN_IF, FILE_SYNCHRONOUS_IO_NONALERT | FILE_NON_DIRECTORY_FILE, NULL, 0);
    RtlFreeUnicodeString(&wide);
    if (!NT_SUCCESS(status)) return status;

    if (io.Information == FILE_CREATED) {
        FILE_END_OF_FILE_INFORMATION end;
        end.EndOfFile.QuadPart = (LONGLONG)bytes;
        status = ZwSetInformationFile(*file, &io, &end, sizeof end, FileEndOfFileInformation);
    } else {
        /* An existing container must hold the whole volume. */
        FILE_STANDARD_INFORMATION info;
        status = ZwQueryInformationFile(*file, &io, &info, sizeof info, FileStandardInformation);
        if (NT_SUCCESS(status) && (ULONGLONG)info.EndOfFile.QuadPart < bytes) status = STATUS_END_OF_FILE;
    }
    if (!NT_SUCCESS(status)) {
        ZwClose(*file);
        *file = NULL;
    }
    return status;
}

static NTSTATUS OpenVault(const unsigned char *in, ULONG inLength) {
    int nameLength = KovdevCheckOpenRequest(in, inLength);
    const char *name;
    const unsigned char *key;
    ULONGLONG bytes;
    HANDLE file = NULL;
    NTSTATUS status;
    ULONG copy;

    if (nameLength < 0) return STATUS_INVALID_PARAMETER;
    if (g_volume.open) return STATUS_DEVICE_BUSY;

    name = (const char *)in + KOVDEV_REQ_NAME_OFFSET;
    bytes = LoadLe64(in + KOVDEV_REQ_SIZE_OFFSET);
    key = in + KOVDEV_REQ_KEYS_OFFSET; /* slot 0 */
    if (!KovdevCipherSetKey(&g_volume.cipher, key)) {
        SecureWipe(&g_volume.cipher, sizeof g_volume.cipher);
        return STATUS_INVALID_PARAMETER;
    }
    status = OpenContainer(name, bytes, &file);
    if (!NT_SUCCESS(status)) {
        SecureWipe(&g_volume.cipher, sizeof g_volume.cipher);
        return status;
    }
    g_volume.file = file;
    g_volume.bytes = bytes;
    memcpy(g_volume.key, key, sizeof g_volume.key);
    memcpy(g_volume.head, in, sizeof g_volume.head);
    SecureWipe(g_volume.head + KOVDEV_REQ_KEYS_OFFSET, KOVDEV_REQ_KEY_SLOTS * KOVDEV_REQ_KEY_SLOT_SIZE);
    memset(g_volume.name, 0, sizeof g_volume.name);
    copy = (ULONG)nameLength < sizeof g_volume.name - 1 ? (ULONG)nameLength : sizeof g_volume.name - 1;
    memcpy(g_volume.name, name, copy);
    g_volume.letter = (char)in[KOVDEV_REQ_LETTER_OFFSET];
    g_volume.open = TRUE;
    g_volume.locked = FALSE;
    g_volume.dismounted = FALSE;
    g_volume.openFiles = 0;
    ++g_volume.opens;
    return STATUS_SUCCESS;
}

static void FillMounted(unsigned char *out) {
    memset(out, 0, KOVDEV_MOUNTED_SIZE);
    if (!g_volume.open) return; /* letter 0: nothing mounted */
    memcpy(out, g_volume.head, sizeof g_volume.head);
    out[KOVDEV_MOUNTED_LETTER_OFFSET] = (unsigned char)g_volume.letter;
    memcpy(out + KOVDEV_REQ_NAME_OFFSET, g_volume.name, sizeof g_volume.name);
}

static void FillGeometry(DISK_GEOMETRY *geometry) {
    ULONGLONG perCylinder = 255ull * 63 * KOVDEV_SECTOR_SIZE;
    geometry->MediaType = FixedMedia;
    geometry->TracksPerCylinder = 255;
    geometry->SectorsPerTrack = 63;
    geometry->BytesPerSector = KOVDEV_SECTOR_SIZE;
    geometry->Cylinders.QuadPart = (LONGLONG)((g_volume.bytes + perCylinder - 1) / perCylinder);
}

static void FillPartition(PARTITION_INFORMATION *partition) {
    memset(partition, 0, sizeof *partition);
    partition->PartitionLength.QuadPart = (LONGLONG)g_volume.bytes;
    partition->PartitionNumber = 1;
    partition->PartitionType = PARTITION_IFS;
    partition->RecognizedPartition = TRUE;
}

/* Lock, unlock and dismount of the volume, answered as a file system would:
   a volume with files open on it refuses the lock. */
static NTSTATUS VolumeControl(ULONG code) {
    switch (code) {
        case KOVDEV_IOCTL_VOLUME_LOCK:
            if (g_volume.openFiles != 0 || g_volume.locked) return STATUS_ACCESS_DENIED;
            g_volume.locked = TRUE;
            return STATUS_SUCCESS;
        case KOVDEV_IOCTL_VOLUME_UNLOCK:
            if (!g_volume.locked) return STATUS_NOT_LOCKED;
            g_volume.locked = FALSE;
            return STATUS_SUCCESS;
        case KOVDEV_IOCTL_VOLUME_DISMOUNT:
            if (g_volume.refusedDismounts != 0) {
                --g_volume.refusedDismounts;
                return STATUS_ACCESS_DENIED;
            }
            g_volume.dismounted = TRUE;
            return STATUS_SUCCESS;
    }
    return STATUS_INVALID_DEVICE_REQUEST;
}

static NTSTATUS Inspect(unsigned char *out) {
    KovdevInspect inspect;
    memset(&inspect, 0, sizeof inspect);
    inspect.vaultOpen = g_volume.open;
    inspect.locked = g_volume.locked;
    inspect.dismounted = g_volume.dismounted;
    inspect.openFiles = g_volume.openFiles;
    inspect.keyIsZero = KeyIsZero();
    inspect.opens = g_volume.opens;
    inspect.volumeBytes = g_volume.bytes;
    inspect.letter = g_volume.letter;
    memcpy(out, &inspect, sizeof inspect);
    return STATUS_SUCCESS;
}

/* Disk queries: answered only while a volume is open, as a drive without media. */
static NTSTATUS DiskQuery(ULONG code, unsigned char *buffer, ULONG outLength, ULONG_PTR *information) {
    ULONG need;
    if (!g_volume.open) return STATUS_NO_MEDIA_IN_DEVICE;
    switch (code) {
        case IOCTL_DISK_GET_DRIVE_GEOMETRY:
            need = sizeof(DISK_GEOMETRY);
            if (outLength < need || !buffer) return STATUS_BUFFER_TOO_SMALL;
            FillGeometry((DISK_GEOMETRY *)buffer);
            break;
        case IOCTL_DISK_GET_DRIVE_GEOMETRY_EX:
            need = FIELD_OFFSET(DISK_GEOMETRY_EX, Data);
            if (outLength < need || !buffer) return STATUS_BUFFER_TOO_SMALL;
            memset(buffer, 0, need);
            FillGeometry(&((DISK_GEOMETRY_EX *)buffer)->Geometry);
            ((DISK_GEOMETRY_EX *)buffer)->DiskSize.QuadPart = (LONGLONG)g_volume.bytes;
            break;
        case IOCTL_DISK_GET_LENGTH_INFO:
            need = sizeof(GET_LENGTH_INFORMATION);
            if (outLength < need || !buffer) return STATUS_BUFFER_TOO_SMALL;
            ((GET_LENGTH_INFORMATION *)buffer)->Length.QuadPart = (LONGLONG)g_volume.bytes;
            break;
        case IOCTL_DISK_GET_PARTITION_INFO:
            need = sizeof(PARTITION_INFORMATION);
            if (outLength < need || !buffer) return STATUS_BUFFER_TOO_SMALL;
            FillPartition((PARTITION_INFORMATION *)buffer);
            break;
        case IOCTL_DISK_GET_PARTITION_INFO_EX: {
            PARTITION_INFORMATION_EX *partition = (PARTITION_INFORMATION_EX *)buffer;
            need = sizeof(PARTITION_INFORMATION_EX);
            if (outLength < need || !buffer) return STATUS_BUFFER_TOO_SMALL;
            memset(partition, 0, need);
            partition->PartitionStyle = PARTITION_STYLE_MBR;
            partition->PartitionLength.QuadPart = (LONGLONG)g_volume.bytes;
            partition->PartitionNumber = 1;
            partition->Mbr.PartitionType = PARTITION_IFS;
            partition->Mbr.RecognizedPartition = TRUE;
            break;
        }
        default: /* is-writable and verify: nothing to return */
            need = 0;
            break;
    }
    *information = need;
    return STATUS_SUCCESS;
}

static NTSTATUS DeviceControl(PIRP irp, PIO_STACK_LOCATION stack, ULONG_PTR *information) {
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    ULONG inLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG outLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    unsigned char *buffer = (unsigned char *)irp->AssociatedIrp.SystemBuffer;

    switch (code) {
        case KOVDEV_IOCTL_STATUS:
            if (outLength < KOVDEV_STATUS_SIZE || !buffer) return STATUS_BUFFER_TOO_SMALL;
            memset(buffer, 0, KOVDEV_STATUS_SIZE);
            buffer[0] = g_volume.open ? KOVDEV_STATUS_IN_USE : 0;
            *information = KOVDEV_STATUS_SIZE;
            return STATUS_SUCCESS;

        case KOVDEV_IOCTL_OPEN:
            return OpenVault(buffer, buffer ? inLength : 0);

        case KOVDEV_IOCTL_MOUNTED:
            if (outLength < KOVDEV_MOUNTED_SIZE || !buffer) return STATUS_BUFFER_TOO_SMALL;
            FillMounted(buffer);
            *information = KOVDEV_MOUNTED_SIZE;
            return STATUS_SUCCESS;

        case KOVDEV_IOCTL_RELEASE:
            if (!g_volume.open) return STATUS_DEVICE_NOT_READY;
            CloseVolume();
            return STATUS_SUCCESS;

        case KOVDEV_IOCTL_VOLUME_LOCK:
        case KOVDEV_IOCTL_VOLUME_UNLOCK:
        case KOVDEV_IOCTL_VOLUME_DISMOUNT:
            return VolumeControl(code);

        case KOVDEV_FSCTL_LOCK_VOLUME:
        case KOVDEV_FSCTL_UNLOCK_VOLUME:
        case KOVDEV_FSCTL_DISMOUNT_VOLUME:
            return VolumeControl(KovdevForwardedVolumeCode(code));

        case KOVDEV_IOCTL_SET_OPEN_FILES:
            if (inLength < 4 || !buffer) return STATUS_INVALID_PARAMETER;
            if (!g_volume.open) return STATUS_DEVICE_NOT_READY;
            g_volume.openFiles = LoadLe32(buffer);
            return STATUS_SUCCESS;

        case KOVDEV_IOCTL_REFUSE_DISMOUNTS:
            if (inLength < 4 || !buffer) return STATUS_INVALID_PARAMETER;
            g_volume.refusedDismounts = LoadLe32(buffer);
            return STATUS_SUCCESS;

        case KOVDEV_IOCTL_INSPECT:
            if (outLength < sizeof(KovdevInspect) || !buffer) return STATUS_BUFFER_TOO_SMALL;
            *information = sizeof(KovdevInspect);
            return Inspect(buffer);

        case IOCTL_DISK_GET_DRIVE_GEOMETRY:
        case IOCTL_DISK_GET_DRIVE_GEOMETRY_EX:
        case IOCTL_DISK_GET_LENGTH_INFO:
        case IOCTL_DISK_GET_PARTITION_INFO:
        case IOCTL_DISK_GET_PARTITION_INFO_EX:
        case IOCTL_DISK_IS_WRITABLE:
        case IOCTL_DISK_CHECK_VERIFY:
        case IOCTL_STORAGE_CHECK_VERIFY:
            return DiskQuery(code, buffer, outLength, information);
    }
    return STATUS_INVALID_DEVICE_REQUEST;
}

/* The caller's data for a read or write, wherever the I/O manager put it. */
static unsigned char *TransferBuffer(PIRP irp) {
    if (irp->MdlAddress) return (unsigned char *)MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority);
    if (irp->AssociatedIrp.SystemBuffer) return (unsigned char *)irp->AssociatedIrp.SystemBuffer;
    return (unsigned char *)irp->UserBuffer;
}

/* The crypto core uses the AES instructions and vector registers where the
   processor has them. 64-bit kernel code may use the vector registers as any
   code does (the kernel keeps the interrupted state itself). 32-bit kernel
   code would have to save the floating-point state around that, and Wine's
   32-bit kernel side, which runs this build, has no KeSaveFloatingPointState
   (the call ends the driver's host process): the 32-bit build keeps to the
   constant-time path, which touches no vector or floating-point register and
   so needs no save on any 32-bit system. */
static void CipherSectors(BOOLEAN encrypt, unsigned char *buffer, ULONG length, ULONGLONG firstSector) {
#ifdef _WIN64
    const int vectorUnit = 1;
#else
    const int vectorUnit = 0;
#endif
    if (encrypt)
        KovdevCipherEncrypt(&g_volume.cipher, buffer, length, firstSector, vectorUnit);
    else
        KovdevCipherDecrypt(&g_volume.cipher, buffer, length, firstSector, vectorUnit);
}

static NTSTATUS Transfer(PIRP irp, PIO_STACK_LOCATION stack, BOOLEAN write, ULONG_PTR *information) {
    ULONG length = write ? stack->Parameters.Write.Length : stack->Parameters.Read.Length;
    LONGLONG offset = write ? stack->Parameters.Write.ByteOffset.QuadPart : stack->Parameters.Read.ByteOffset.QuadPart;
    unsigned char *data, *scratch;
    NTSTATUS status = STATUS_SUCCESS;
    ULONG done = 0;

    if (!g_volume.open) return STATUS_NO_MEDIA_IN_DEVICE;
    if (length == 0) return STATUS_SUCCESS;
    if (offset < 0 || offset % KOVDEV_SECTOR_SIZE || length % KOVDEV_SECTOR_SIZE) return STATUS_INVALID_PARAMETER;
    if ((ULONGLONG)offset >= g_volume.bytes) return STATUS_END_OF_FILE;
    if (length > g_volume.bytes - (ULONGLONG)offset) length = (ULONG)(g_volume.bytes - (ULONGLONG)offset);
    data = TransferBuffer(irp);
    if (!data) return STATUS_INVALID_USER_BUFFER;
    scratch = (unsigned char *)ExAllocatePoolWithTag(NonPagedPool, CHUNK, POOL_TAG);
    if (!scratch) return STATUS_INSUFFICIENT_RESOURCES;

    while (done < length && NT_SUCCESS(status)) {
        ULONG step = length - done < CHUNK ? length - done : CHUNK;
        ULONGLONG position = (ULONGLONG)offset + done;
        LARGE_INTEGER where;
        IO_STATUS_BLOCK io;
        where.QuadPart = (LONGLONG)position;
        if (write) {
            memcpy(scratch, data + done, step);
            CipherSectors(TRUE, scratch, step, position / KOVDEV_SECTOR_SIZE);
            status = ZwWriteFile(g_volume.file, NULL, NULL, NULL, &io, scratch, step, &where, NULL);
            if (NT_SUCCESS(status) && io.Information != step) status = STATUS_DISK_FULL;
        } else {
            status = ZwReadFile(g_volume.file, NULL, NULL, NULL, &io, scratch, step, &where, NULL);
            if (NT_SUCCESS(status) && io.Information != step) status = STATUS_FILE_CORRUPT_ERROR;
            if (NT_SUCCESS(status)) {
                CipherSectors(FALSE, scratch, step, position / KOVDEV_SECTOR_SIZE);
                memcpy(data + done, scratch, step);
            }
        }
        if (NT_SUCCESS(status)) done += step;
    }
    SecureWipe(scratch, CHUNK);
    ExFreePoolWithTag(scratch, POOL_TAG);
    *information = done;
    return status;
}

/* The file system on the volume, as its boot sector names it: what a file
   system driver mounted on the drive would report. */
typedef struct FileSystemKind {
    const WCHAR *name;
    ULONG nameBytes;
    ULONG attributes;
    ULONG serial;
} FileSystemKind;

static NTSTATUS RecogniseFileSystem(FileSystemKind *kind) {
    unsigned char sector[KOVDEV_SECTOR_SIZE];
    LARGE_INTEGER where;
    IO_STATUS_BLOCK io;
    NTSTATUS status;

    where.QuadPart = 0;
    status = ZwReadFile(g_volume.file, NULL, NULL, NULL, &io, sector, sizeof sector, &where, NULL);
    if (!NT_SUCCESS(status)) return status;
    CipherSectors(FALSE, sector, sizeof sector, 0);
    if (sector[510] != 0x55 || sector[511] != 0xAA) return STATUS_UNRECOGNIZED_VOLUME;
    if (memcmp(sector + 3, "NTFS    ", 8) == 0) {
        kind->name = L"NTFS";
        kind->serial = LoadLe32(sector + 0x48);
        kind->attributes =
            FILE_CASE_SENSITIVE_SEARCH | FILE_CASE_PRESERVED_NAMES | FILE_UNICODE_ON_DISK | FILE_PERSISTENT_ACLS;
    } else if (memcmp(sector + 0x52, "FAT32   ", 8) == 0) {
        kind->name = L"FAT32";
        kind->serial = LoadLe32(sector + 0x43);
        kind->attributes = FILE_CASE_PRESERVED_NAMES | FILE_UNICODE_ON_DISK;
    } else if (memcmp(sector + 0x36, "FAT", 3) == 0) {
        kind->name = L"FAT";
        kind->serial = LoadLe32(sector + 0x27);
        kind->attributes = FILE_CASE_PRESERVED_NAMES | FILE_UNICODE_ON_DISK;
    } else {
        return STATUS_UNRECOGNIZED_VOLUME;
    }
    kind->nameBytes = 0;
    while (kind->name[kind->nameBytes / sizeof(WCHAR)]) kind->nameBytes += sizeof(WCHAR);
    return STATUS_SUCCESS;
}

static NTSTATUS QueryVolume(PIRP irp, PIO_STACK_LOCATION stack, ULONG_PTR *information) {
    ULONG length = stack->Parameters.QueryVolume.Length;
    unsigned char *out = TransferBuffer(irp);
    FileSystemKind kind;
    NTSTATUS status;
    ULONG need;

    if (stack->Parameters.QueryVolume.FsInformationClass == FileFsDeviceInformation) {
        FILE_FS_DEVICE_INFORMATION *device = (FILE_FS_DEVICE_INFORMATION *)out;
        if (!out || length < sizeof *device) return STATUS_BUFFER_TOO_SMALL;
        device->DeviceType = FILE_DEVICE_DISK;
        device->Characteristics = 0;
        *information = sizeof *device;
        return STATUS_SUCCESS;
    }
    if (!g_volume.open) return STATUS_NO_MEDIA_IN_DEVICE;
    status = RecogniseFileSystem(&kind);
    if (!NT_SUCCESS(status)) return status;

    switch (stack->Parameters.QueryVolume.FsInformationClass) {
        case FileFsVolumeInformation: {
            FILE_FS_VOLUME_INFORMATION *volume = (FILE_FS_VOLUME_INFORMATION *)out;
            need = FIELD_OFFSET(FILE_FS_VOLUME_INFORMATION, VolumeLabel);
            if (!out || length < need) return STATUS_BUFFER_TOO_SMALL;
            memset(volume, 0, need);
            volume->VolumeSerialNumber = kind.serial;
            break;
        }
        case FileFsAttributeInformation: {
            FILE_FS_ATTRIBUTE_INFORMATION *attribute = (FILE_FS_ATTRIBUTE_INFORMATION *)out;
            need = FIELD_OFFSET(FILE_FS_ATTRIBUTE_INFORMATION, FileSystemName) + kind.nameBytes;
            if (!out || length < need) return STATUS_BUFFER_TOO_SMALL;
            attribute->FileSystemAttributes = kind.attributes;
            attribute->MaximumComponentNameLength = 255;
            attribute->FileSystemNameLength = kind.nameBytes;
            memcpy(attribute->FileSystemName, kind.name, kind.nameBytes);
            break;
        }
        default:
            return STATUS_INVALID_DEVICE_REQUEST;
    }
    *information = need;
    return STATUS_SUCCESS;
}

static NTSTATUS NTAPI Dispatch(PDEVICE_OBJECT device, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    ULONG_PTR information = 0;
    NTSTATUS status;
    ULONG code;

    Acquire();
    switch (stack->MajorFunction) {
        case IRP_MJ_CREATE:
        case IRP_MJ_CLOSE:
        case IRP_MJ_CLEANUP:
        case IRP_MJ_FLUSH_BUFFERS:
            status = STATUS_SUCCESS;
            break;
        case IRP_MJ_DEVICE_CONTROL:
            status = DeviceControl(irp, stack, &information);
            break;
        case IRP_MJ_FILE_SYSTEM_CONTROL:
            code = KovdevForwardedVolumeCode(stack->Parameters.FileSystemControl.FsControlCode);
            status = code ? VolumeControl(code) : STATUS_INVALID_DEVICE_REQUEST;
            break;
        case IRP_MJ_QUERY_VOLUME_INFORMATION:
            status = QueryVolume(irp, stack, &information);
            break;
        case IRP_MJ_READ:
            status = Transfer(irp, stack, FALSE, &information);
            break;
        case IRP_MJ_WRITE:
            status = Transfer(irp, stack, TRUE, &information);
            break;
        default:
            status = STATUS_INVALID_DEVICE_REQUEST;
            break;
    }
    Release();

    irp->IoStatus.Status = status;
    irp->IoStatus.Information = NT_SUCCESS(status) ? information : 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static void NTAPI Unload(PDRIVER_OBJECT driver) {
    UNICODE_STRING link;
    Acquire();
    CloseVolume();
    Release();
    RtlInitUnicodeString(&link, L"\\DosDevices\\Kovdev00");
    IoDeleteSymbolicLink(&link);
    if (g_device) IoDeleteDevice(g_device);
    g_device = NULL;
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    UNICODE_STRING name, link;
    NTSTATUS status;
    int i;

    memset(&g_volume, 0, sizeof g_volume);
    KeInitializeMutex(&g_volume.lock, 0);
    RtlInitUnicodeString(&name, L"\\Device\\Kovdev00");
    RtlInitUnicodeString(&link, L"\\DosDevices\\Kovdev00");
    status = IoCreateDevice(driver, 0, &name, FILE_DEVICE_DISK, 0, FALSE, &g_device);
    if (!NT_SUCCESS(status)) return status;
    g_device->Flags |= DO_BUFFERED_IO;
    status = IoCreateSymbolicLink(&link, &name);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(g_device);
        g_device = NULL;
        return status;
    }
    for (i = 0; i <= IRP_MJ_MAXIMUM_FUNCTION; ++i) driver->MajorFunction[i] = Dispatch;
    driver->DriverUnload = Unload;
    g_device->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}
