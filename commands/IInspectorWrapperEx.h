// What the commands need of the per-inspector object of an open mail inspector: the template
// road's view of it (its inspector, its end) plus the modal flag and the sending of its mail
// as separate personalized messages. The inspector's own layer implements it.
#pragma once

#include <memory>

#include "engine/mTanveloRoad.h"

class IInspectorWrapperEx : public mTanvelo::IInspectorWrapper {
 public:
  // The modal flag given at Init (False for every wrapper the inspectors tracker makes).
  virtual bool IsModal() = 0;
  // Personalizes the inspector's mail and sends it as separate messages by its send mode.
  virtual void ProcessPersonalizationsAndSend() = 0;
};

using InspectorWrapperPtr = std::shared_ptr<IInspectorWrapperEx>;
