#include "editors/kx4x/kx41_config.h"

#include "editors/kx4x/kx41_layout.h"

// Every firmware this editor serves has the same layout, so the variant
// changes nothing.
void TKX41Config::Init(int /*variant*/) {
  FData = TKX41Data{};
}

void TKX41Config::FromDevice(const std::string& image) {
  KX41ImageLayout().Read(image, FData);
}

std::string TKX41Config::ToDevice() {
  return KX41ImageLayout().Write(FData);
}

bool TKX41Config::FromJson(const std::string& text) {
  return KX41JsonLayout().Read(text, FData);
}

std::string TKX41Config::ToJson() {
  return KX41JsonLayout().Write(FData);
}
