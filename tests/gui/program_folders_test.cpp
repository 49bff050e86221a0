#include "program_folders.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace hosei {
namespace {

// An installed program must never write beside itself; a build tree keeps its own layout.
TEST(ProgramFolders, InstalledLayoutUsesTheCacheAndTheInstalledSample) {
  QTemporaryDir prefix;
  ASSERT_TRUE(QDir(prefix.path()).mkpath(QStringLiteral("bin")));
  ASSERT_TRUE(QDir(prefix.path()).mkpath(QStringLiteral("share/hosei/samples")));
  const QString bin = prefix.path() + QStringLiteral("/bin");

  const ProgramFolders installed = LocateProgramFolders(bin, QStringLiteral("/home/u/.cache/hosei"),
                                                        QStringLiteral("/build/samples"));
  EXPECT_TRUE(installed.installed);
  EXPECT_EQ(installed.workingFolder, QStringLiteral("/home/u/.cache/hosei"));
  EXPECT_EQ(installed.samplesFolder, prefix.path() + QStringLiteral("/share/hosei/samples"));

  // The same folder name without the shared data beside it is a build tree or a copy.
  QTemporaryDir loose;
  ASSERT_TRUE(QDir(loose.path()).mkpath(QStringLiteral("bin")));
  const QString looseBin = loose.path() + QStringLiteral("/bin");
  const ProgramFolders built = LocateProgramFolders(
      looseBin, QStringLiteral("/home/u/.cache/hosei"), QStringLiteral("/build/samples"));
  EXPECT_FALSE(built.installed);
  EXPECT_EQ(built.workingFolder, looseBin);
  EXPECT_EQ(built.samplesFolder, QStringLiteral("/build/samples"));
}

}  // namespace
}  // namespace hosei
