v_knife.mdl 0 1200 qwe 4 3.250000
short.mdl 0 12 a 1 1.0

#sprbase.kts
640hud1.spr 2048 4
small.spr 16 0
missing.spr 800 2
zero.spr 900 0
neg.spr 901 -1
