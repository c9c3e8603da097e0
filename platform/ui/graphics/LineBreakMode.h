#pragma once

// How text that does not fit its width is broken or shortened.
enum class LineBreakMode { WordWrap, CharacterWrap, Clip, HeadTruncation, TailTruncation, MiddleTruncation };
