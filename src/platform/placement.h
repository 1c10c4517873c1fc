#pragma once
// Where a window or a control stands: position and size in twips that read
// back exactly as assigned. Every assignment is put on screen at once; one
// that changes the size is reported as well, since layouts follow the size.

namespace vb {

class Placement {
  public:
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void setLeft(int v) { setBounds(v, top_, width_, height_); }
    void setTop(int v) { setBounds(left_, v, width_, height_); }
    void setWidth(int v) { setBounds(left_, top_, v, height_); }
    void setHeight(int v) { setBounds(left_, top_, width_, v); }

  protected:
    Placement(int width, int height) : width_(width), height_(height) {}
    virtual ~Placement() = default;
    Placement(const Placement&) = delete;
    Placement& operator=(const Placement&) = delete;

    void setBounds(int left, int top, int width, int height) {
        const bool resized = width != width_ || height != height_;
        left_ = left;
        top_ = top;
        width_ = width;
        height_ = height;
        applyGeometry();
        if (resized) sizeChanged();
    }
    // Puts the stored position and size on screen.
    virtual void applyGeometry() = 0;
    // Runs after applyGeometry when Width or Height really changed.
    virtual void sizeChanged() {}

    int left_ = 0, top_ = 0, width_, height_;
};

} // namespace vb
