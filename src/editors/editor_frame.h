// Base of the Qt editor frames and the factory the main window uses.
#pragma once

#include <QFrame>

#include "editors/editor_select.h"
#include "editors/kx_config.h"

class IPrompts;

// A frame owns one configuration model and implements IKXConfig by delegating
// to it. The main window places it in its editor panel.
class TEditorFrame : public QFrame, public IKXConfig {
  Q_OBJECT
 public:
  using QFrame::QFrame;
};

// A new frame of that kind owned by `owner`, not yet initialised (call
// Init(variant)); nullptr for None and for kinds without a frame yet.
// `prompts` shows the frame's own dialogs (the PIN dialog).
TEditorFrame* CreateEditorFrame(TEditorKind kind, QWidget* owner, IPrompts& prompts);
