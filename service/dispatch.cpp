#include "service/dispatch.h"

#include <cstring>

namespace service {

bool ChangesDevices(std::uint32_t command) {
  const auto code = static_cast<ardmon::PipeCommand>(command);
  return code == ardmon::PipeCommand::AddFilterSil || code == ardmon::PipeCommand::DelFilterSil;
}

namespace {

// The pipe tells only whether the drive was read; how its power was learnt
// stays with the service.
std::int32_t AwakeResult(std::int32_t power) {
  switch (static_cast<ardmon::DrivePower>(power)) {
    case ardmon::DrivePower::kAsleep:
      return static_cast<std::int32_t>(ardmon::kResultAsleep);
    case ardmon::DrivePower::kAwake:
    case ardmon::DrivePower::kUnknown:
      return 1;
  }
  return 0;  // the library refused the turn: the service is stopping
}

}  // namespace

void DispatchRequest(ardmon::DiskLibrary& library, ardmon::PipeMessage& message, Caller caller) {
  if (ChangesDevices(message.Command) && caller != Caller::Administrator) {
    message.Result = 0;
    return;
  }
  const auto drive = static_cast<std::int32_t>(message.Argument);
  std::int32_t result;
  switch (static_cast<ardmon::PipeCommand>(message.Command)) {
    case ardmon::PipeCommand::GetDiskInfo:
      result = library.GetDiskInfo(drive, message.Payload);
      break;
    case ardmon::PipeCommand::GetTempInfo:
      result = library.GetTempInfo(drive, message.Payload);
      break;
    case ardmon::PipeCommand::GetTempInfoIfAwake:
      result = AwakeResult(library.GetTempInfoIfAwake(drive, message.Payload));
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
  // A query the library read a drive for answers 1; one that read nothing
  // (the drive sleeps, or the service is stopping) carries nothing, not
  // even the client's own bytes.
  if (result != 1 && !ChangesDevices(message.Command))
    std::memset(message.Payload, 0, sizeof message.Payload);
}

}  // namespace service
