// The contract between the main window and a device editor.
//
// The main window knows an editor only through IKXConfig. A configuration model
// (no Qt) implements it on its data; the Qt frame implements it by delegating
// to its model.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

class IKXConfig {
 public:
  virtual ~IKXConfig() = default;

  // Called once, right after creation: defaults, then the editor variant.
  virtual void Init(int variant) = 0;
  // Fills the editor from a configuration image as the device sent it.
  // Throws (std::exception) for an image it cannot use; nothing is changed then.
  virtual void FromDevice(const std::string& image) = 0;
  // Builds the complete image. Throws TFieldTooLong when a text does not fit
  // its field; no image is produced then.
  virtual std::string ToDevice() = 0;
  // Fills the editor from a configuration file's JSON text; false when the
  // text cannot be applied (never throws). Accepts every text ToJson produces.
  virtual bool FromJson(const std::string& text) = 0;
  // The configuration as JSON text; deterministic and free of side effects.
  virtual std::string ToJson() = 0;
  // A key notification: "<key>" + the value as the device sent it.
  virtual void KeyEvent(const std::string& notification) = 0;
};

// A text that does not fit its image field. The configuration is not written;
// what() tells the technician which field and how many characters it takes.
class TFieldTooLong : public std::runtime_error {
 public:
  // `field` is the field's name as the technician sees it (UTF-8); `limit` is
  // the number of characters the field holds.
  TFieldTooLong(const std::string& field, std::size_t limit)
      : std::runtime_error("Поле «" + field + "» слишком длинное: не более " +
                           std::to_string(limit) + " символов. Конфигурация не записана."),
        FField(field),
        FLimit(limit) {}
  const std::string& Field() const { return FField; }
  std::size_t Limit() const { return FLimit; }

 private:
  std::string FField;
  std::size_t FLimit;
};

// An image shorter than the model's layout; FromDevice refuses it.
class TImageTooShort : public std::runtime_error {
 public:
  TImageTooShort(std::size_t got, std::size_t want)
      : std::runtime_error("configuration image of " + std::to_string(got) +
                           " bytes is shorter than " + std::to_string(want)) {}
};
