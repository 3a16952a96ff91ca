#pragma once
// Everything a platform front supplies to the application logic. The front
// owns the objects; they must outlive the application object.
#include "app/platform/clock.h"
#include "app/platform/file_dialog.h"
#include "app/platform/folders.h"
#include "app/platform/menu_checks.h"
#include "app/platform/message_boxes.h"
#include "app/platform/monitor_layout.h"
#include "app/platform/pointer.h"
#include "app/platform/presenter.h"
#include "app/platform/profile_store.h"
#include "app/platform/string_table.h"
#include "app/platform/window_geometry.h"
#include "physics/physics_world.h"

namespace brivonel {

struct Platform {
  IClock& clock;
  IMessageBoxes& messageBoxes;
  IFileDialog& fileDialog;
  IMenuChecks& menuChecks;
  IWindowGeometry& window;
  IPresenter& presenter;
  IStringTable& strings;
  IProfileStore& profileStore;
  IFolders& folders;
  // Simulates hair and skirts; a front without an engine leaves it null and
  // its characters hang as the motion poses them.
  physics::IPhysicsEngine* physics = nullptr;
  // The desktop's monitors; without it the window keeps its place and size
  // wherever it is dropped.
  IMonitorLayout* monitors = nullptr;
  // Where the pointer is, for the head that follows it; a front without
  // one leaves it null and the head just dances.
  IPointer* pointer = nullptr;
};

}  // namespace brivonel
