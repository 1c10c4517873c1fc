#pragma once
namespace diagrams {
// Makes this folder's windows known by name to the default-instance registry.
void registerDiagramWindows();
} // namespace diagrams
