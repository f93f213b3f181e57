#pragma once

#include <QString>

// The fixed text of the help window.
QString helpText();
