#pragma once
namespace mechanical {
// Makes this folder's windows known by name to the default-instance registry.
void registerMechanicalWindows();
} // namespace mechanical
