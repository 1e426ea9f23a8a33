// How often each simulated disk has been spun up, in a file of its own
// beside the fixture, so that a test may edit the fixture while the
// service runs and still read the counts. FIXTURE.md describes the file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>

namespace disklib::sim {

// The counts file of a fixture: ArdmonSim.json has ArdmonSim.counts.json.
std::filesystem::path SpinUpCountsFile(const std::filesystem::path& fixtureFile);
// The count of every disk spun up at least once, by disk number; a missing
// or broken file counts none.
std::map<std::uint32_t, std::uint32_t> LoadSpinUps(const std::filesystem::path& countsFile);
// Adds one to the disk's count and writes the file at once. Throws
// FixtureError when the file cannot be written.
void CountSpinUp(const std::filesystem::path& countsFile, std::uint32_t disk);

}  // namespace disklib::sim
