#pragma once

// The Korean face names used in settings, product files and window code ("굴림", "돋움", "바탕",
// "궁서", "맑은 고딕" and their fixed-pitch forms) stay as written everywhere; this maps each onto
// the installed Korean faces (Nanum, Noto CJK) through Qt's font substitution table. Called before
// any such font is created; safe to call again.
void InstallKoreanFontSubstitutions();
