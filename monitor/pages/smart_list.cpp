#include "monitor/pages/smart_list.h"

#include <cstdio>

#include "common/drive_facts.h"
#include "common/nvme_health.h"
#include "common/smart_attributes.h"
#include "monitor/record_text.h"
#include "monitor/store/accepted_values.h"
#include "resources/resource_ids.h"

namespace monitor {
namespace {

// The description strings follow the IDs: string 255 + ID.
constexpr unsigned kDescriptionBase = 255;
constexpr std::uint8_t kIdWithoutDescription = 6;
// The NVMe health log's fields, in log order.
constexpr unsigned kNvmeDescriptionBase = IDS_NVME_DESC_CRITICAL_WARNING;

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

const ardmon::TempInfoRecord* SelectedRecord(const SlotTable& table) {
  const DriveSlot* drive = table.SelectedDrive();
  return drive ? &drive->slotRecord.Temp : nullptr;
}

std::vector<AttributeRow> AtaRows(const ardmon::TempInfoRecord& record,
                                  const ardmon::Strings& strings) {
  std::vector<AttributeRow> rows;
  for (const ardmon::JudgedAttribute& attribute : ardmon::JudgedAttributes(record)) {
    rows.push_back({ColourOf(attribute.verdict) << 8 | attribute.id,
                    {Hex(attribute.id), strings.Get(ardmon::AttributeNameId(attribute.id)),
                     Decimal(attribute.value), Decimal(attribute.worst),
                     Decimal(attribute.threshold), Decimal(attribute.raw)}});
  }
  return rows;
}

// One row per field: its place in the log, its value for the fields that
// are a state or a level (the temperature in degrees Celsius; the counters
// have their number as raw value only), the threshold where the log has
// one, the raw number.
std::vector<AttributeRow> NvmeRows(const ardmon::TempInfoRecord& record,
                                   const ardmon::Strings& strings) {
  using ardmon::nvme::HealthField;
  std::vector<AttributeRow> rows;
  const std::uint8_t* log = record.AttributeData;
  for (std::size_t i = 0; i < ardmon::nvme::kHealthFieldCount; ++i) {
    const ardmon::nvme::HealthFieldLayout& layout = ardmon::nvme::kHealthFields[i];
    const std::uint64_t raw = ardmon::nvme::ReadHealthField(log, layout.field);
    std::u16string value = layout.size < 16 ? Decimal(raw) : std::u16string();
    if (layout.field == HealthField::CompositeTemperature) {
      const std::uint8_t celsius = ardmon::nvme::CelsiusFromKelvin(raw);
      value = celsius ? Decimal(celsius) : std::u16string();
    }
    const std::u16string threshold =
        layout.field == HealthField::AvailableSpare
            ? Decimal(ardmon::nvme::ReadHealthField(log, HealthField::AvailableSpareThreshold))
            : std::u16string();
    const std::uint32_t colour = ColourOf(ardmon::nvme::JudgeHealthField(log, layout.field));
    rows.push_back({colour << 8 | static_cast<std::uint32_t>(i + 1),
                    {Hex(static_cast<std::uint8_t>(layout.offset)),
                     strings.Get(ardmon::NvmeFieldNameId(layout.field)), value, u"", threshold,
                     Decimal(raw)}});
  }
  return rows;
}

}  // namespace

const std::array<unsigned, kSmartColumnCount> kSmartColumnHeaders = {
    IDS_SMART_COLUMN_ID,    IDS_SMART_COLUMN_ATTRIBUTE, IDS_SMART_COLUMN_VALUE,
    IDS_SMART_COLUMN_WORST, IDS_SMART_COLUMN_THRESHOLD, IDS_SMART_COLUMN_RAW_VALUE};

std::array<int, kSmartColumnCount> SmartColumnWidths(int listWidth) {
  return {listWidth / 12, listWidth / 3, listWidth / 8,
          listWidth / 8,  listWidth / 8, listWidth / 6};
}

unsigned AttributeDescriptionId(std::uint8_t id) {
  if (id == kIdWithoutDescription || !ardmon::FindKnownAttribute(id)) return IDS_ATTR_DESC_NONE;
  return kDescriptionBase + id;
}

std::vector<AttributeRow> AttributeRows(const SlotTable& table, const ardmon::Strings& strings) {
  const ardmon::TempInfoRecord* record = SelectedRecord(table);
  if (!record || !record->SmartSupported) return {};
  if (ardmon::nvme::IsNvmeRecord(*record)) {
    // A log that could not be read would show as a list of zeros.
    return record->AttributesOk ? NvmeRows(*record, strings) : std::vector<AttributeRow>();
  }
  return AtaRows(*record, strings);
}

// The item data modulo 255 gives back the ID for the three colours (and 0,
// which has no description of its own, for ID 255).
std::u16string AttributeDescription(const SlotTable& table,
                                    std::optional<std::uint32_t> markedItemData,
                                    const ardmon::Strings& strings) {
  if (!markedItemData) return {};
  const auto id = static_cast<std::uint8_t>(*markedItemData % 255);
  const ardmon::TempInfoRecord* record = SelectedRecord(table);
  if (record && ardmon::nvme::IsNvmeRecord(*record)) {
    if (id < 1 || id > ardmon::nvme::kHealthFieldCount) return {};
    return strings.Get(kNvmeDescriptionBase + id - 1);
  }
  return strings.Get(AttributeDescriptionId(id));
}

AcceptAction AcceptActionFor(const SlotTable& table) {
  const ardmon::TempInfoRecord* record = SelectedRecord(table);
  if (!record) return AcceptAction::kNone;
  const DriveSlot& drive = table.slots[table.selectedSlot];
  if (drive.accepted) return AcceptAction::kForget;
  return CanAccept(*record, drive.ownHealth) ? AcceptAction::kAccept : AcceptAction::kNone;
}

}  // namespace monitor
