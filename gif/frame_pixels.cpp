#include "frame_pixels.h"

#include <cstddef>

#include "frame_scaler.h"

void CFramePixels::Borrow(const uint8_t* rows, int32_t width, int32_t height)
{
    m_view.width = width;
    m_view.height = height;
    m_view.step = -static_cast<ptrdiff_t>(width);
    m_view.top = reinterpret_cast<const uint32_t*>(rows) + static_cast<ptrdiff_t>(width) * (height - 1);
}

bool CFramePixels::Scale(const uint8_t* rows, int32_t sourceWidth, int32_t sourceHeight, int32_t width,
                         int32_t height)
{
    if (width <= 0 || height <= 0)
        return false;
    m_copy.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    // Bottom-up like the source, so the rows correspond as they are.
    if (!ScalePixels32(rows, sourceWidth, sourceHeight, static_cast<size_t>(sourceWidth) * 4,
                       reinterpret_cast<uint8_t*>(m_copy.data()), width, height, static_cast<size_t>(width) * 4))
        return false;
    Borrow(reinterpret_cast<const uint8_t*>(m_copy.data()), width, height);
    return true;
}

uint32_t* CFramePixels::Fill(int32_t width, int32_t height)
{
    m_copy.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    m_view = ViewOfTopDownPixels(m_copy.data(), width, height);
    return m_copy.data();
}
