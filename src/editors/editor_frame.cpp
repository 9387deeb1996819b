#include "editors/editor_frame.h"

#include "editors/kx4x/kx41_frame.h"

TEditorFrame* CreateEditorFrame(TEditorKind kind, QWidget* owner, IPrompts& prompts) {
  switch (kind) {
    case TEditorKind::KX41:
      return new TfrmKX41(owner, prompts);
    default:
      // Kinds whose frame is not written yet.
      return nullptr;
  }
}
