#pragma once
namespace documents {
// Makes this folder's windows known by name to the default-instance registry.
void registerDocumentWindows();
} // namespace documents
