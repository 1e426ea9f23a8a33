// The S.M.A.R.T. page's rules: one row per paired attribute of the selected
// drive, in sector order, coloured by its verdict (for an NVMe drive, one
// row per field of its health log); the names, descriptions and column
// widths.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "monitor/slot_table.h"
#include "resources/strings.h"

namespace monitor {

// Row background colours (0x00BBGGRR). Good is the list's own background:
// shifted out of the item data it reads as "no colour".
constexpr std::uint32_t kGoodRowColour = 0xFFFFFF;
constexpr std::uint32_t kCautionRowColour = 0x00FFFF;
constexpr std::uint32_t kBadRowColour = 0x0000FF;

constexpr int kSmartColumnCount = 6;
// Header strings: ID, Attribute, Value, Worst, Threshold, Raw Value.
extern const std::array<unsigned, kSmartColumnCount> kSmartColumnHeaders;
std::array<int, kSmartColumnCount> SmartColumnWidths(int listWidth);

struct AttributeRow {
  std::uint32_t itemData;  // colour << 8 | ID (NVMe: field number from 1)
  std::array<std::u16string, kSmartColumnCount> cells;
};
// The rows of the selected slot; none without a disk or without S.M.A.R.T.
std::vector<AttributeRow> AttributeRows(const SlotTable& table, const ardmon::Strings& strings);

// The background a row is drawn with: its item data shifted right with the
// sign, so Good rows give the list's "no colour".
inline std::uint32_t RowBackground(std::uint32_t itemData) {
  return static_cast<std::uint32_t>(static_cast<std::int32_t>(itemData) >> 8);
}

// What the page's button does for the selected drive: accept the counts
// of a drive in Caution, forget those that make it Good, or nothing.
enum class AcceptAction { kNone, kAccept, kForget };
AcceptAction AcceptActionFor(const SlotTable& table);

unsigned AttributeDescriptionId(std::uint8_t id);
// The description of the marked row of the selected slot's list; empty
// without a mark.
std::u16string AttributeDescription(const SlotTable& table,
                                    std::optional<std::uint32_t> markedItemData,
                                    const ardmon::Strings& strings);

}  // namespace monitor
