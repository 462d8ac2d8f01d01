#pragma once
// The window's test suites, one Qt Test object each.

#include <QObject>

#include <memory>

namespace ovix::testing {

std::unique_ptr<QObject> MakeFrmMainControlsTest();
std::unique_ptr<QObject> MakeWindowSettingsTest();
std::unique_ptr<QObject> MakeFileChoiceTest();
std::unique_ptr<QObject> MakeWindowRunTest();

}  // namespace ovix::testing
