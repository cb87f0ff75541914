#include "game/Combo.h"

#include <algorithm>

void Combo::judged(std::size_t judgement)
{
    if (judgement > lastKeeping) {
        end();
        return;
    }
    ++run;
    best = std::max(best, run);
}

void Combo::missed()
{
    end();
}

void Combo::holdLetGo()
{
    end();
}

void Combo::mineHit()
{
    end();
}

void Combo::reset()
{
    *this = Combo();
}

void Combo::end()
{
    run = 0;
    broken = true;
}
