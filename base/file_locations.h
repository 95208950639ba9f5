#pragma once
// Where the program keeps its own files: the settings file and the private font of the value fields.
//
// A copy run from a folder it may write (a build folder, a portable copy) keeps everything beside
// its executable. An installed copy (the executable in <prefix>/bin, its data folder
// <prefix>/share/lorv304d) keeps the settings in the user's configuration folder, since the
// executable's folder belongs to the system. "data.log" is not placed here: it stays in the working
// directory.
#include <string>

// The user's folders, as the environment names them.
struct TUserFolders {
    std::string XdgConfigHome;  // $XDG_CONFIG_HOME; empty or a relative path counts as not set
    std::string Home;           // $HOME, else the home folder of this user in the user database

    static TUserFolders FromProcess();
};

// The settings file of the program at `executablePath` (an absolute path):
//  1. SettingsPathFor(executablePath), beside the executable, when something of that name exists;
//  2. the same when the executable's folder is writable for this process and is not an installed
//     layout (see DataFolderFor);
//  3. otherwise <config>/lorv304d/lorv304d.INI, where <config> is XdgConfigHome when it is an
//     absolute path, else Home + "/.config". With neither, rule 1's path (whose write then fails
//     with the usual settings error).
// The folder of the result may not exist yet: MakeParentFolders before the first write.
std::string SettingsLocationFor(const std::string& executablePath, const TUserFolders& folders);

// Creates the missing folders on the way to `filePath` (new ones with mode 0700, as for private
// configuration). Never throws: a folder that cannot be made shows as the write's own failure.
void MakeParentFolders(const std::string& filePath);

// The installed data folder of the program at `executablePath`: "<its folder>/../share/lorv304d",
// lexically normalised ("/usr/bin/lorv304d" -> "/usr/share/lorv304d"). Whether it exists is the
// caller's question; an executable whose data folder exists is an installed layout.
std::string DataFolderFor(const std::string& executablePath);

// The font file of the value fields, "Cousine.TTF": the first that exists of the one beside the
// executable and the one in the data folder. Empty when neither does; the font is then looked up by
// family name among the system's fonts.
std::string ValueFontFileFor(const std::string& executablePath);
