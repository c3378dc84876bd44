#include "pipeline/trailed_gif_file.h"

#include "gif/gif_writer.h"

void CTrailedGifFile::AppendFrame(const CMemorySink& head, const uint8_t* image, uint32_t imageSize)
{
    m_frame.Clear();
    m_frame.Write(head.Data(), head.Size());
    m_frame.Write(image, imageSize);
    WriteGifTrailer(m_frame);
    if (m_trailerWritten)
        m_file.Rewind(1);
    m_file.Write(m_frame.Data(), m_frame.Size());
    m_trailerWritten = true;
    m_committed += head.Size() + imageSize;
}

void CTrailedGifFile::Finish()
{
    if (m_trailerWritten)
        return;
    WriteGifTrailer(m_file);
    m_trailerWritten = true;
}
