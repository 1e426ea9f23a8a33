// What a drive says to ATA CHECK POWER MODE sent through an ATA
// pass-through CDB with CK_COND: its registers come back in the sense data.
#pragma once

#include <cstdint>
#include <optional>

#include "disklib/scsi_pass_through.h"

namespace disklib {

enum class PowerMode { Standby, Awake };

// The ATA COUNT(7:0) register of a CK_COND answer: CHECK CONDITION with
// RECOVERED ERROR and "ATA pass-through information available", in the
// descriptor or the fixed sense format. Nothing for any other answer.
std::optional<std::uint8_t> ReturnedAtaCount(const PassThroughAnswer& answer);
// The power mode that CHECK POWER MODE's count stands for; nothing for a
// value the command does not return.
std::optional<PowerMode> PowerModeOfCount(std::uint8_t count);

}  // namespace disklib
