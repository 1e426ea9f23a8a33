// The exit code of ArdmonFolderCheck, which the installer's script reads
// from this file (folder.nsh): 0 when the folder may be used, otherwise
// kRefusedStep * the reason + how many levels above the install folder the
// refused folder is (0: the install folder itself). Any other code means
// the check itself failed.
#pragma once

namespace installer {

constexpr int kRefusedStep = 1000;

enum RefusedReason {
  kReasonForeignOwner = 1,
  kReasonOthersMayChangeSecurity = 2,
  kReasonOthersMayDelete = 3,
  kReasonOthersMayDeleteInside = 4,
  kReasonIsLink = 5,
  kReasonNotAFolder = 6,
  kReasonNotEmpty = 7,
  kReasonUnreadable = 8,
  kReasonNotProtected = 9,
  kReasonNotOnADrive = 10,
};

}  // namespace installer
