// The flicker timer's tick: row noise on the picture and, in the middle of the
// show, the glitching title.
#include "app/Unit1.h"
#include "picture/Effects.h"
#include "show/GlitchTitle.h"

void TForm1::Timer2Timer() {
    if (WorkBitmap != nullptr) {
        AddRowNoise(*WorkBitmap, m_random);
        WorkBitmap->RefreshPicture();
    }
    if (GlitchActive(StepCount)) SetCaption(GlitchTitle(m_random.RandomBelow(30) + 1));
}
