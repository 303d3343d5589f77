a.mdl 0 600 x 1 1e308
b.mdl 0 600 x 1 nan
c.mdl 0 600 x 1 inf
d.mdl 0 600
#sprbase.kts
../../etc/passwd 600 1
640hud1.spr 600
