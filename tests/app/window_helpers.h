// Shared pieces of the window tests: waiting on the event loop, version
// replies and a factory that hands out fake editors.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "fake_editor.h"

// Runs the event loop until `condition` holds; false after `timeoutMs`.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 20000) {
  QDeadlineTimer deadline(timeoutMs);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

// Keeps the event loop running for a while (to show that something does NOT happen).
inline void RunFor(int ms) {
  QDeadlineTimer deadline(ms);
  while (!deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
}

// "<version><version>" + b0 b1 b2 b3 (firmware minor, major, hardware minor, major).
inline std::string VersionReply(std::uint8_t swMinor, std::uint8_t swMajor, std::uint8_t hwMinor,
                                std::uint8_t hwMajor) {
  return std::string("<version><version>") + char(swMinor) + char(swMajor) + char(hwMinor) +
         char(hwMajor);
}

inline long Count(const std::vector<std::string>& items, const std::string& item) {
  return std::count(items.begin(), items.end(), item);
}

// Makes a TFakeEditor for every kind but None and remembers what it made.
struct TFakeFactory {
  std::vector<TEditorKind> Kinds;
  TEditorFactory Factory() {
    return [this](TEditorKind kind, QWidget* owner, IPrompts&) -> TEditorFrame* {
      if (kind == TEditorKind::None) return nullptr;
      Kinds.push_back(kind);
      return new TFakeEditor(owner);
    };
  }
};

inline TFakeEditor* Fake(const TfrmMain& window) {
  return dynamic_cast<TFakeEditor*>(window.Editor());
}
