// download --verify: after a download, the unit must describe the file it holds by the name and
// size sent, and reading the file back must give the same bytes.
#pragma once
#include <string>

class HxwConverter;

// Reads the unit's file information and its file back (into a temporary folder, removed again
// whatever happens) and compares them with path. Prints one verdict line ("verified: N bytes
// identical", or what differs) and returns the exit status: 0 verified, 1 not.
int VerifyDownload(HxwConverter& engine, const std::string& path, const std::string& name);
