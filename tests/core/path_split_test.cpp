#include "core/path_split.h"

#include <gtest/gtest.h>

namespace darnek {
namespace {

TEST(SplitWindowsPath, SeparatesDriveDirectoryNameAndExtension) {
  const PathParts p = SplitWindowsPath("C:\\walls\\job 12\\wall.in.dat");
  EXPECT_EQ(p.Drive, "C:");
  EXPECT_EQ(p.Directory, "\\walls\\job 12\\");
  EXPECT_EQ(p.Name, "wall.in");
  EXPECT_EQ(p.Extension, ".dat");
}

TEST(SplitWindowsPath, AcceptsForwardSlashesAndMixedSeparators) {
  const PathParts p = SplitWindowsPath("d:/walls\\sub/wall.dat");
  EXPECT_EQ(p.Drive, "d:");
  EXPECT_EQ(p.Directory, "/walls\\sub/");
  EXPECT_EQ(p.Name, "wall");
  EXPECT_EQ(p.Extension, ".dat");
}

TEST(SplitWindowsPath, HandlesBareNamesAndMissingParts) {
  PathParts p = SplitWindowsPath("wall");
  EXPECT_EQ(p.Drive, "");
  EXPECT_EQ(p.Directory, "");
  EXPECT_EQ(p.Name, "wall");
  EXPECT_EQ(p.Extension, "");

  p = SplitWindowsPath("C:wall.dat");
  EXPECT_EQ(p.Drive, "C:");
  EXPECT_EQ(p.Directory, "");
  EXPECT_EQ(p.Name, "wall");

  // A dot in a directory name is not an extension.
  p = SplitWindowsPath("\\jobs.2026\\wall");
  EXPECT_EQ(p.Directory, "\\jobs.2026\\");
  EXPECT_EQ(p.Name, "wall");
  EXPECT_EQ(p.Extension, "");

  p = SplitWindowsPath("");
  EXPECT_EQ(p.Name, "");
}

}  // namespace
}  // namespace darnek
