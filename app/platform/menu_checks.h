#pragma once
// Check marks of the popup menu's items, addressed by command id.
namespace brivonel {

class IMenuChecks {
 public:
  virtual ~IMenuChecks() = default;
  virtual void SetChecked(int commandId, bool checked) = 0;
};

}  // namespace brivonel
