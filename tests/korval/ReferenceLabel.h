#pragma once

// One label made of set-up commands, lines, printer fonts, a bar code and a QR symbol
// drawn by korval itself: the calls a Linux and a Windows build must turn into the same
// job bytes. TrueType text is left out, since each platform draws it with its own fonts.
// Opens queue, prints one label, closes the port; 0 or the first failing call's code.
int printReferenceLabel(const char *queue);
