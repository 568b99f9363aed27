#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// The spool file on disk: created anew for each label, written one command at a time
// without buffering (so a short write is seen at once), deleted when the port closes.

std::string korvalCurrentDirectory();                               // empty when it cannot be read
int korvalSpoolFileCreate(const std::string &path);                 // descriptor or -1; truncates
size_t korvalSpoolFileWrite(int fd, const void *data, size_t size); // one write; bytes written
void korvalSpoolFileClose(int fd);
void korvalSpoolFileDelete(const std::string &path);

// The spool file and the PCX files the library writes are created or truncated only as
// files of their own: a symbolic link in their place is refused (nullptr, or -1 above),
// never followed to overwrite its target.
std::FILE *korvalCreateOutputFile(const std::string &path); // opened "wb", or nullptr
