// ArdmonProbe's output for scripts: every present drive as one JSON object,
// {"drives": [...]}, in UTF-8.
#pragma once

#include <string>
#include <vector>

#include "common/drive_facts.h"

namespace probe {

std::string DrivesJson(const std::vector<ardmon::DriveFacts>& drives);

}  // namespace probe
