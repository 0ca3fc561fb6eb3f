// A TInstallerForm on the fake platform and the recording view.
#pragma once

#include <gtest/gtest.h>

#include "dataFunctions_shared.h"
#include "fInstall.h"
#include "fake_platform.h"
#include "fake_view.h"
#include "package_image.h"
#include "pk_stuff.h"

namespace fake {

class FormTest : public ::testing::Test {
 protected:
  FormTest() {
    view.onClose = [this] {
      if (form.FormCloseQuery()) form.FormClose();
    };
    view.onCloseQuery = [this] { return form.FormCloseQuery(); };
    package::TCompressor::compressionWarningPending = true;
    // The data-file module is one per process; every test starts it closed.
    setup::ResetSaverDataModule();
  }

  void Install(const PackageImage& image) { fs.AddFile(fs.modulePath, image.Build()); }
  void Install(const Bytes& bytes) { fs.AddFile(fs.modulePath, bytes); }

  // The preparation up to the saver folder, as PrepareInstaller runs it.
  void PrepareThroughSaverFolder() {
    form.PrepareWorkingFolders();
    ASSERT_EQ(form.MakeWorkingCopy(), 0);
    ASSERT_EQ(form.ReadPackageTable(), 0);
    form.PrepareSaverFolder();
    form.previewKind = form.package.header.previewKind();
  }

  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const auto& b : view.boxes) texts.push_back(b.text);
    return texts;
  }

  FakePlatform fs;
  FakeView view;
  app::TInstallerForm form{fs, view};
};

}  // namespace fake
