[Playlist]
numberofentries=1
file1 = http://a.example.cn/lower
title1 = 小写
length1=-1
