de_dust2_crate.mdl 0 1024 abc 5 1.500000
player.mdl 0 300 ab 3 2.000000
v_ak47.mdl 0 9000 zz 0 0.999999
w_c4.mdl 0 700 "" 2 -1.000000
huge.mdl 0 99999999999 abcdef -2147483648 -1.000000
