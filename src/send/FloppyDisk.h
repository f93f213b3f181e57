#pragma once

#include <QString>

class Interaction;

// The GUI-free steps of making a floppy for the maker: erasing drive A: and copying the session
// archives of the output directory onto it.
namespace FloppyDisk {

// Deletes every file in the root of drive A: ("A:\*.*", any attributes). Entries that cannot be
// deleted (subdirectories, protected files) stay without a word. Pending messages are handled
// before each further entry.
void erase(Interaction &interaction);

// Copies every "*.zip" of the output directory, older session archives included, to "A:\" under the
// same name, never overwriting a file already there. Each failed copy gets a plain box with the
// application title, "Failed to copy " + source path and the system's text for the error; the other
// archives are still copied. Pending messages are handled before each further entry.
void copyArchives(Interaction &interaction);

// The text of the last box: where the floppy is to be sent.
QString doneText();

} // namespace FloppyDisk
