#include "app/PresentedScroll.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QQuickWindow>
#include <QSGRendererInterface>


std::optional<int> PresentedScroll::read(QQuickWindow& window, double scale, int near,
                                         const scroll_marks::Palette& palette)
{
    if (!readable(window))
        return std::nullopt;
    // The frame's commands are carried out first, and its target is still bound.
    window.beginExternalCommands();
    std::optional<int> scroll;
    if (QOpenGLContext* context = QOpenGLContext::currentContext()) {
        QOpenGLFunctions* gl = context->functions();
        GLint viewport[4] = {};
        gl->glGetIntegerv(GL_VIEWPORT, viewport);
        const int rows = viewport[3];
        if (rows > 0) {
            column_.resize(std::size_t(rows) * 4);
            gl->glReadPixels(viewport[0], viewport[1], 1, rows, GL_RGBA, GL_UNSIGNED_BYTE, column_.data());
            // OpenGL's rows run from the bottom up.
            for (int r = 0; r < rows / 2; ++r)
                std::swap_ranges(column_.begin() + 4 * r, column_.begin() + 4 * r + 4, column_.end() - 4 * (r + 1));
            scroll = scroll_marks::decode(column_.data(), std::size_t(rows), scale, near, palette);
        }
    }
    window.endExternalCommands();
    return scroll;
}

bool PresentedScroll::readable(QQuickWindow& window)
{
    return window.rendererInterface()->graphicsApi() == QSGRendererInterface::OpenGL;
}
