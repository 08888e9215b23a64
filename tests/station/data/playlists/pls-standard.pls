[playlist]
File1=http://live.example.cn:8000/cnr1
Title1=中国之声 主线路
Length1=-1
File2=http://backup.example.cn/cnr1
Title2=中国之声 备用
Length2=-1
NumberOfEntries=2
Version=2
