#pragma once
// Where the installed desktop program finds its files. In the build folder
// the shader files are beside the executable (bin/); an installed program
// is in <prefix>/bin and its shader files in <prefix>/share/brivonel/shaders.
#include <string>

#include "app/linux/linux_folders.h"

namespace brivonel {

// The folder holding the shader files for a program in executableFolder
// (ending in "/"): that folder itself when they are there, else the
// installed data folder beside it when they are there, else
// executableFolder (whose missing files then give the shader error).
std::u16string ShaderFolderFor(const std::u16string& executableFolder);

// The bundled sample's folder for a program in executableFolder: the
// build's samples folder (bin/../samples) or the installed one
// (bin/../share/brivonel/samples), whichever holds a model; else nothing.
std::optional<std::u16string> SamplesFolderFor(const std::u16string& executableFolder);

// The Linux folders, with the shader folder standing for the executable's
// folder (which is where the application looks for its shader files).
class ProgramFolders final : public IFolders {
 public:
  std::optional<std::u16string> RoamingAppDataFolder() override {
    return folders_.RoamingAppDataFolder();
  }
  Message NoAppDataFolderMessage() override { return folders_.NoAppDataFolderMessage(); }
  std::u16string ExecutableFolder() override {
    return ShaderFolderFor(folders_.ExecutableFolder());
  }
  std::optional<std::u16string> SamplesFolder() override {
    return SamplesFolderFor(folders_.ExecutableFolder());
  }

 private:
  LinuxFolders folders_;
};

}  // namespace brivonel
