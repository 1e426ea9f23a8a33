#include "service/dispatch.h"

namespace service {

void DispatchRequest(disklib::DiskLibrary& library, ardmon::PipeMessage& message) {
  const auto drive = static_cast<std::int32_t>(message.Argument);
  std::int32_t result;
  switch (static_cast<ardmon::PipeCommand>(message.Command)) {
    case ardmon::PipeCommand::GetDiskInfo:
      result = library.GetDiskInfo(drive, message.Payload);
      break;
    case ardmon::PipeCommand::GetTempInfo:
      result = library.GetTempInfo(drive, message.Payload);
      break;
    case ardmon::PipeCommand::AddFilterSil:
      result = library.AddFilterSil();
      break;
    case ardmon::PipeCommand::DelFilterSil:
      result = library.DelFilterSil();
      break;
    default:
      return;
  }
  message.Result = static_cast<std::uint32_t>(result);
}

}  // namespace service
