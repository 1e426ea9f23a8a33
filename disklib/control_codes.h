// Device control codes and platform constants the library sends or reads.
#pragma once

#include <cstdint>

namespace disklib {

constexpr std::uint32_t IOCTL_STORAGE_GET_DEVICE_NUMBER = 0x2D1080;
constexpr std::uint32_t IOCTL_STORAGE_QUERY_PROPERTY = 0x2D1400;
constexpr std::uint32_t IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS = 0x560000;
constexpr std::uint32_t IOCTL_DISK_GET_LENGTH_INFO = 0x7405C;
constexpr std::uint32_t IOCTL_SCSI_PASS_THROUGH = 0x4D004;
constexpr std::uint32_t IOCTL_SCSI_MINIPORT = 0x4D008;
constexpr std::uint32_t IOCTL_SCSI_GET_ADDRESS = 0x41018;
constexpr std::uint32_t SMART_RCV_DRIVE_DATA = 0x7C088;

constexpr std::uint32_t IOCTL_SCSI_MINIPORT_IDENTIFY = 0x1B0501;
constexpr std::uint32_t IOCTL_SCSI_MINIPORT_READ_SMART_ATTRIBS = 0x1B0502;
constexpr std::uint32_t IOCTL_SCSI_MINIPORT_READ_SMART_THRESHOLDS = 0x1B0503;

constexpr std::uint32_t FILE_DEVICE_DISK = 7;
constexpr std::uint32_t DRIVE_REMOVABLE = 2;
constexpr std::uint32_t DRIVE_FIXED = 3;
constexpr std::uint32_t DRIVE_CDROM = 5;

}  // namespace disklib
