#include "core/path_split.h"

#include <gtest/gtest.h>

namespace darnek {
namespace {

TEST(SplitWindowsPath, SeparatesDriveDirectoryNameAndExtension) {
  const PathParts p = SplitWindowsPath("C:\\walls\\job 12\\wall.in.dat");
  EXPECT_EQ(p.drive, "C:");
  EXPECT_EQ(p.directory, "\\walls\\job 12\\");
  EXPECT_EQ(p.name, "wall.in");
  EXPECT_EQ(p.extension, ".dat");
}

TEST(SplitWindowsPath, AcceptsForwardSlashesAndMixedSeparators) {
  const PathParts p = SplitWindowsPath("d:/walls\\sub/wall.dat");
  EXPECT_EQ(p.drive, "d:");
  EXPECT_EQ(p.directory, "/walls\\sub/");
  EXPECT_EQ(p.name, "wall");
  EXPECT_EQ(p.extension, ".dat");
}

TEST(SplitWindowsPath, HandlesBareNamesAndMissingParts) {
  PathParts p = SplitWindowsPath("wall");
  EXPECT_EQ(p.drive, "");
  EXPECT_EQ(p.directory, "");
  EXPECT_EQ(p.name, "wall");
  EXPECT_EQ(p.extension, "");

  p = SplitWindowsPath("C:wall.dat");
  EXPECT_EQ(p.drive, "C:");
  EXPECT_EQ(p.directory, "");
  EXPECT_EQ(p.name, "wall");

  // A dot in a directory name is not an extension.
  p = SplitWindowsPath("\\jobs.2026\\wall");
  EXPECT_EQ(p.directory, "\\jobs.2026\\");
  EXPECT_EQ(p.name, "wall");
  EXPECT_EQ(p.extension, "");

  p = SplitWindowsPath("");
  EXPECT_EQ(p.name, "");
}

}  // namespace
}  // namespace darnek
