// An IPrompts that records every box and answers questions, file dialogs and
// modal dialogs from queues, so the window runs without a screen.
#pragma once

#include <QDialog>
#include <QString>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/prompts.h"

struct TBox {
  std::string Kind;  // "error", "information", "confirm", "plain", "open", "save"
  QString Caption;
  QString Text;
};

class TRecordingPrompts : public IPrompts {
 public:
  std::vector<TBox> Boxes;
  std::deque<bool> Answers;             // for Confirm; No when empty
  std::deque<QString> Files;            // for the file dialogs; cancelled when empty
  std::function<int(QDialog&)> OnExec;  // Rejected when unset

  void Error(const QString& caption, const QString& text) override {
    Boxes.push_back({"error", caption, text});
  }
  void Information(const QString& caption, const QString& text) override {
    Boxes.push_back({"information", caption, text});
  }
  bool Confirm(const QString& caption, const QString& text) override {
    Boxes.push_back({"confirm", caption, text});
    if (Answers.empty()) return false;
    const bool answer = Answers.front();
    Answers.pop_front();
    return answer;
  }
  void Plain(const QString& text) override { Boxes.push_back({"plain", {}, text}); }
  QString OpenFileName(const QString& title, const QString&, const QString&) override {
    return NextFile("open", title);
  }
  QString SaveFileName(const QString& title, const QString&, const QString&) override {
    return NextFile("save", title);
  }
  int Exec(QDialog& dialog) override {
    Boxes.push_back({"exec", dialog.windowTitle(), {}});
    return OnExec ? OnExec(dialog) : QDialog::Rejected;
  }

  // Texts of the boxes of one kind, in order.
  std::vector<QString> Texts(const std::string& kind) const {
    std::vector<QString> texts;
    for (const TBox& box : Boxes)
      if (box.Kind == kind) texts.push_back(box.Text);
    return texts;
  }
  bool Shown(const std::string& kind, const QString& text) const {
    for (const TBox& box : Boxes)
      if (box.Kind == kind && box.Text == text) return true;
    return false;
  }

 private:
  QString NextFile(const std::string& kind, const QString& title) {
    Boxes.push_back({kind, title, {}});
    if (Files.empty()) return {};
    const QString name = Files.front();
    Files.pop_front();
    return name;
  }
};
