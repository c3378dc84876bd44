#include "record/trailed_gif_file.h"

#include "gif/gif_writer.h"

void CTrailedGifFile::AppendFrame(CMemorySink& block)
{
    if (m_trailerWritten)
        m_file.Rewind(1);
    const uint32_t frameBytes = block.Size();
    WriteGifTrailer(block);
    m_file.Write(block.Data(), block.Size());
    m_trailerWritten = true;
    m_committed += frameBytes;
}

void CTrailedGifFile::Finish()
{
    if (m_trailerWritten)
        return;
    WriteGifTrailer(m_file);
    m_trailerWritten = true;
}
