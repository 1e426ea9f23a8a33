#include "monitor/pages/smart_list.h"

#include <cstdio>

#include "common/smart_attributes.h"
#include "monitor/record_text.h"
#include "resources/resource_ids.h"

namespace monitor {
namespace {

// The description strings follow the IDs: string 255 + ID.
constexpr unsigned kDescriptionBase = 255;
constexpr std::uint8_t kIdWithoutDescription = 6;

std::uint32_t ColourOf(ardmon::HealthStatus verdict) {
  switch (verdict) {
    case ardmon::kHealthBad:
      return kBadRowColour;
    case ardmon::kHealthCaution:
      return kCautionRowColour;
    default:
      return kGoodRowColour;
  }
}

std::u16string Decimal(std::uint64_t number) {
  return Widen(std::to_string(number));
}

std::u16string Hex(std::uint8_t id) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", id);
  return Widen(std::string(text));
}

}  // namespace

const std::array<unsigned, kSmartColumnCount> kSmartColumnHeaders = {
    IDS_SMART_COLUMN_ID,    IDS_SMART_COLUMN_ATTRIBUTE, IDS_SMART_COLUMN_VALUE,
    IDS_SMART_COLUMN_WORST, IDS_SMART_COLUMN_THRESHOLD, IDS_SMART_COLUMN_RAW_VALUE};

std::array<int, kSmartColumnCount> SmartColumnWidths(int listWidth) {
  return {listWidth / 12, listWidth / 3, listWidth / 8, listWidth / 8, listWidth / 8,
          listWidth / 6};
}

unsigned AttributeNameId(std::uint8_t id) {
  const ardmon::KnownAttribute* known = ardmon::FindKnownAttribute(id);
  return known ? known->nameString : IDS_ATTR_NAME_VENDOR;
}

unsigned AttributeDescriptionId(std::uint8_t id) {
  if (id == kIdWithoutDescription || !ardmon::FindKnownAttribute(id)) return IDS_ATTR_DESC_NONE;
  return kDescriptionBase + id;
}

std::vector<AttributeRow> AttributeRows(const SlotTable& table, const ardmon::Strings& strings) {
  std::vector<AttributeRow> rows;
  const int slot = table.selectedSlot;
  if (slot < 0 || slot >= kSlotCount || !table.Present(slot)) return rows;
  const ardmon::TempInfoRecord& record = table.slots[slot].slotRecord.Temp;
  if (!record.SmartSupported) return rows;
  for (std::size_t i = 0; i < ardmon::kSmartEntries; ++i) {
    const ardmon::AttributeEntry attribute = ardmon::AttributeAt(record.AttributeData, i);
    const ardmon::ThresholdEntry threshold = ardmon::ThresholdAt(record.ThresholdData, i);
    if (!ardmon::IsPaired(attribute, threshold)) continue;
    const std::uint8_t id = attribute.id();
    const std::uint32_t colour = ColourOf(ardmon::JudgeAttribute(attribute, threshold));
    rows.push_back({colour << 8 | id,
                    {Hex(id), strings.Get(AttributeNameId(id)), Decimal(attribute.value()),
                     Decimal(attribute.worst()), Decimal(threshold.threshold()),
                     Decimal(attribute.raw())}});
  }
  return rows;
}

// The item data modulo 255 gives back the ID for the three colours (and 0,
// which has no description of its own, for ID 255).
std::u16string AttributeDescription(std::optional<std::uint32_t> markedItemData,
                                    const ardmon::Strings& strings) {
  if (!markedItemData) return {};
  const auto id = static_cast<std::uint8_t>(*markedItemData % 255);
  return strings.Get(AttributeDescriptionId(id));
}

}  // namespace monitor
