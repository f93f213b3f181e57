#pragma once

#include <QString>

// Points the mapped drives, the settings and the data home at a new temporary directory.
namespace TestEnvironment {

// Makes a new temporary root with drive_c, drive_a, config, data and state below it and sets
// SORVIK_DRIVE_C, SORVIK_DRIVE_A, XDG_CONFIG_HOME, XDG_DATA_HOME and XDG_STATE_HOME to them.
// Returns the root.
QString fresh();
// The root made by the last call of fresh().
QString root();

} // namespace TestEnvironment
