// The machine-wide XDG autostart folder, where the Run key's values live as
// one Desktop Entry file each. Functions answer 0 or an errno value.
#pragma once

#include <string>

// Points the Run key at another folder; nullptr goes back to the real one,
// /etc/xdg/autostart. Tests always point it at a folder of their own.
void SetAutostartFolderForTest(const char* pszFolder);

// The folder that the Run key stands for right now.
std::string GetAutostartFolder();

// Makes sure the folder exists, creating missing parents like mkdir -p.
// Folders made here get mode 0755 whatever the umask, so that every
// user's session can read the entries.
int EnsureFolder(const std::string& strFolder);

// Replaces <folder>/<name> with the content in one step: readers see the old
// file or the new one, never a part. The file gets mode 0644. On failure
// nothing new is left in the folder.
int WriteFileAtomically(const std::string& strFolder, const std::string& strName, const std::string& strContent);

// Removes <folder>/<name> and makes the removal durable.
int RemoveFileDurably(const std::string& strFolder, const std::string& strName);
