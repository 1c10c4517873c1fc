void placeholder_frame() {}
