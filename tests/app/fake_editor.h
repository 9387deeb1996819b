// An editor frame that records what the window asks of it, and can be told
// to fail, for the cases a real editor cannot be made to show.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "editors/editor_frame.h"

class TFakeEditor : public TEditorFrame {
 public:
  using TEditorFrame::TEditorFrame;

  int Variant = -1;
  std::string Json = "{\"phone\":\"1\"}";
  std::string Image = std::string(8, '\x01');
  std::vector<std::string> Keys;
  std::vector<std::string> JsonLoads;  // every text FromJson was given
  bool RefuseJson = false;
  bool RefuseImage = false;
  bool TooLong = false;

  void Init(int variant) override { Variant = variant; }
  void FromDevice(const std::string& image) override {
    if (RefuseImage) throw std::runtime_error("bad image");
    Image = image;
  }
  std::string ToDevice() override {
    if (TooLong) throw TFieldTooLong("Телефон 1", 20);
    return Image;
  }
  bool FromJson(const std::string& text) override {
    JsonLoads.push_back(text);
    if (RefuseJson && JsonLoads.size() == 1) return false;
    Json = text;
    return true;
  }
  std::string ToJson() override { return Json; }
  void KeyEvent(const std::string& notification) override { Keys.push_back(notification); }
};
