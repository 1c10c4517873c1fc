namespace core { void registerCoreWindows() {} }
