#pragma once

#include <cstddef>
#include <string>

// The spool file on disk: created anew for each label, written one command at a time
// without buffering (so a short write is seen at once), deleted when the port closes.

std::string korvalCurrentDirectory();                               // empty when it cannot be read
int korvalSpoolFileCreate(const std::string &path);                 // descriptor or -1; truncates
size_t korvalSpoolFileWrite(int fd, const void *data, size_t size); // one write; bytes written
void korvalSpoolFileClose(int fd);
void korvalSpoolFileDelete(const std::string &path);
